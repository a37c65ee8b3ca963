#include "shell/X11Windows.h"

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

// Replies are malloc'ed by xcb.
template <typename T>
struct Reply {
    T* p;
    explicit Reply(T* reply) : p(reply) {}
    ~Reply() { std::free(p); }
    Reply(const Reply&) = delete;
    Reply& operator=(const Reply&) = delete;
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

constexpr std::uint32_t kPropertyLongs = 1024;  // 4 KiB: titles are cut to 255 characters anyway

}  // namespace

X11Windows::X11Windows(const QString& display) {
    int screen = 0;
    const QByteArray name = display.toLocal8Bit();
    xcb_connection_t* c = xcb_connect(name.isEmpty() ? nullptr : name.constData(), &screen);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    root_ = it.data->root;
}

X11Windows::~X11Windows() {
    if (connection_)
        xcb_disconnect(connection_);
}

std::uint32_t X11Windows::atom(const char* name) {
    const auto length = static_cast<std::uint16_t>(std::strlen(name));
    Reply reply(xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 0, length, name), nullptr));
    return reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
}

std::vector<std::uint32_t> X11Windows::windowListProperty(std::uint32_t window, std::uint32_t property) {
    std::vector<std::uint32_t> out;
    Reply reply(xcb_get_property_reply(
        connection_, xcb_get_property(connection_, 0, window, property, XCB_ATOM_ANY, 0, 1u << 20), nullptr));
    if (!reply || reply->format != 32)
        return out;
    const auto* values = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.p));
    const int count = xcb_get_property_value_length(reply.p) / 4;
    out.assign(values, values + count);
    return out;
}

std::vector<std::uint32_t> X11Windows::topLevelWindows() {
    if (!connection_)
        return {};
    std::vector<std::uint32_t> clients = windowListProperty(root_, atom("_NET_CLIENT_LIST"));
    if (!clients.empty())
        return clients;
    // Without a window manager the programs' windows are the root's children;
    // only those shown count (toolkits keep hidden helper windows there).
    Reply tree(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, root_), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.p);
    std::vector<std::uint32_t> shown;
    for (int i = 0; i < xcb_query_tree_children_length(tree.p); ++i) {
        Reply attributes(xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            shown.push_back(children[i]);
    }
    return shown;
}

QString X11Windows::title(std::uint32_t window) {
    const std::uint32_t utf8 = atom("UTF8_STRING");
    for (const std::uint32_t property : {atom("_NET_WM_NAME"), std::uint32_t{XCB_ATOM_WM_NAME}}) {
        Reply reply(xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, window, property, XCB_ATOM_ANY, 0, kPropertyLongs),
            nullptr));
        if (!reply || reply->format != 8 || reply->type == XCB_ATOM_NONE)
            continue;
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply.p));
        const int length = xcb_get_property_value_length(reply.p);
        // The legacy name is Latin-1 unless it says otherwise.
        return reply->type == utf8 ? QString::fromUtf8(bytes, length) : QString::fromLatin1(bytes, length);
    }
    return {};
}

std::uint32_t X11Windows::processId(std::uint32_t window) {
    const std::vector<std::uint32_t> pid = windowListProperty(window, atom("_NET_WM_PID"));
    return pid.empty() ? 0 : pid.front();
}

X11Windows::CloseRequest X11Windows::requestClose(std::uint32_t window) {
    const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    if (xcb_request_check(connection_, xcb_change_window_attributes_checked(connection_, window,
                                                                             XCB_CW_EVENT_MASK, &events)))
        return CloseRequest::Gone;  // the window no longer exists

    const std::uint32_t protocols = atom("WM_PROTOCOLS");
    const std::uint32_t deleteWindow = atom("WM_DELETE_WINDOW");
    const std::vector<std::uint32_t> supported = windowListProperty(window, protocols);
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    xcb_window_t destination = window;
    std::uint32_t mask = XCB_EVENT_MASK_NO_EVENT;
    if (std::find(supported.begin(), supported.end(), deleteWindow) != supported.end()) {
        message.type = protocols;
        message.data.data32[0] = deleteWindow;
        message.data.data32[1] = XCB_CURRENT_TIME;
    } else {
        // The window manager closes it, as its own close button would.
        message.type = atom("_NET_CLOSE_WINDOW");
        message.data.data32[0] = XCB_CURRENT_TIME;
        message.data.data32[1] = 2;  // from a pager or similar tool acting for the user
        destination = root_;
        mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    }
    xcb_generic_error_t* error = xcb_request_check(
        connection_, xcb_send_event_checked(connection_, 0, destination, mask, reinterpret_cast<const char*>(&message)));
    if (!error)
        return CloseRequest::Sent;
    const bool gone = error->error_code == XCB_WINDOW;
    std::free(error);
    return gone ? CloseRequest::Gone : CloseRequest::Failed;
}

std::vector<std::uint32_t> X11Windows::waitGone(std::vector<std::uint32_t> windows,
                                                std::chrono::steady_clock::time_point deadline) {
    xcb_flush(connection_);
    auto forget = [&](std::uint32_t w) { windows.erase(std::remove(windows.begin(), windows.end(), w), windows.end()); };
    while (!windows.empty()) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const auto type = event->response_type & 0x7f;
            if (type == XCB_DESTROY_NOTIFY)
                forget(reinterpret_cast<xcb_destroy_notify_event_t*>(event)->window);
            else if (type == XCB_UNMAP_NOTIFY)
                forget(reinterpret_cast<xcb_unmap_notify_event_t*>(event)->window);
            std::free(event);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (windows.empty() || left.count() <= 0 || xcb_connection_has_error(connection_))
            break;
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        (void)::poll(&fd, 1, static_cast<int>(left.count()));
    }
    return windows;
}
