#include "usernames/UserNameMap.h"

#include <QFile>

#include <sys/stat.h>

void UserNameMap::add(const QString& folded, const RecordTexts& record) {
    if (!records_.contains(folded))
        records_.insert(folded, record);
}

FileStamp FileStamp::of(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    const auto ns = [](const timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; };
    return {st.st_dev, st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
}
