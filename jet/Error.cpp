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

}  // namespace jet
