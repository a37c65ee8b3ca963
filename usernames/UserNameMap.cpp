#include "usernames/UserNameMap.h"

#include <QFile>

#include <sys/stat.h>

void UserNameMap::add(const RecordTexts& record) {
    QString key = record[0].toCaseFolded();
    if (!records_.contains(key))
        records_.insert(std::move(key), record);
}

FileStamp FileStamp::of(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const auto ns = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
    return {st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}
