#include "jet/Error.h"

#include <atomic>
#include <cstdio>

namespace jet {
namespace {

void toStandardError(const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }

std::atomic<NoticeHandler> handler{&toStandardError};

}  // namespace

NoticeHandler setNoticeHandler(NoticeHandler h) { return handler.exchange(h ? h : &toStandardError); }

void notice(const std::string& text) { handler.load()(text); }

Error databaseDamaged(const std::string& file, const std::string& what) {
    return Error(NotADatabase, "The database '" + file + "' is damaged or not in a format Ravelin can read (" + what + ").");
}

Error internalFault(const std::string& what) {
    return Error(ReservedError, "Internal error in the database engine (" + what + ").");
}

}  // namespace jet
