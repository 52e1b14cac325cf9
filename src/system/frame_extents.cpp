#include "system/frame_extents.h"

#include <QGuiApplication>
#include <QWindow>

#ifdef KITHTALE_WITH_XCB
#include <xcb/xcb.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#endif

namespace kt::system {

#ifdef KITHTALE_WITH_XCB
namespace {

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                         xcb_atom_t type, uint32_t length) {
    return {
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, length), nullptr),
        &std::free};
}

bool answersRequests(xcb_connection_t* c, xcb_window_t root, xcb_atom_t request) {
    const auto supported = property(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 4096);
    if (!supported || supported->format != 32)
        return false;
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int n = xcb_get_property_value_length(supported.get()) / 4;
    for (int i = 0; i < n; ++i)
        if (atoms[i] == request)
            return true;
    return false;
}

} // namespace
#endif

QMargins frameExtentsBeforeShow(const QWindow& window) {
#ifdef KITHTALE_WITH_XCB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return {};
    xcb_connection_t* c = x11->connection();
    const auto id = static_cast<xcb_window_t>(window.winId());
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &std::free);
    const xcb_atom_t request = atom(c, "_NET_REQUEST_FRAME_EXTENTS");
    // Only a window manager that says it answers is asked, so nothing waits in vain.
    if (!geometry || !answersRequests(c, geometry->root, request))
        return {};

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = request;
    xcb_send_event(c, 0, geometry->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(c);

    // The answer is a property on the window, set within a few milliseconds.
    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    do {
        const auto reply = property(c, id, extents, XCB_ATOM_CARDINAL, 4);
        if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 16) {
            const auto* v = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
            // Left, right, top, bottom in device pixels.
            const qreal dpr = window.devicePixelRatio();
            const auto logical = [dpr](uint32_t n) { return qRound(n / dpr); };
            return {logical(v[0]), logical(v[2]), logical(v[1]), logical(v[3])};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < deadline);
#else
    Q_UNUSED(window);
#endif
    return {};
}

} // namespace kt::system
