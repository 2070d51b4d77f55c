#include "link/modSocketMaster.h"

#include "core/raised_error.h"
#include "core/ui_seam.h"
#include "link/CSocketMaster.h"
#include "link/SocketApi.h"
#include "link/SocketErrors.h"

#include <QCoreApplication>
#include <QObject>
#include <map>
#include <optional>
#include <set>

namespace modSocketMaster {
namespace {

using ov::sck::WindowMessage;

class SocketMessageWindow;

// Shared state of the module (one user-interface thread, so no locks).
int g_instanceCount = 0;
bool g_serviceStarted = false;
SocketMessageWindow* g_window = nullptr;
quintptr g_windowHandle = 0;
quintptr g_lastWindowHandle = 0;
std::optional<std::set<qint32>> g_registry;
std::map<qint32, std::unique_ptr<CSocketMaster>> g_acceptRegistry;
RoutingTable g_socketRoutes;
RoutingTable g_lookupRoutes;

// The hidden window: posted WindowMessages are its messages, its event() the window procedure
// with the routing installed. It may be told to go while it is delivering a message (the
// owner closed the last socket from an event handler); it then goes once that delivery ends.
class SocketMessageWindow : public QObject {
public:
    SocketMessageWindow() { setObjectName(QStringLiteral("SOCKET_WINDOW")); }

    void retire() {
        if (m_depth > 0)
            m_retired = true;
        else
            delete this;
    }

protected:
    bool event(QEvent* e) override {
        if (e->type() != WindowMessage::eventType()) return QObject::event(e);
        ++m_depth;
        try {
            route(*static_cast<WindowMessage*>(e));
        } catch (const ov::RaisedError& err) {
            // An error raised by an event handler has no caller left to catch it: the operator
            // sees it as the platform's run time would show it.
            ov::ui::messageBox(err.Description, err.Source, ov::ui::Icon::Stop);
        }
        if (--m_depth == 0 && m_retired) delete this;
        return true;
    }

private:
    void route(const WindowMessage& m) {
        const auto handle = qint32(m.WParam);
        if (m.Msg == kSocketMessage) {
            // A notification of a socket closed since it was posted is the old socket's.
            if (m.Ticket != 0 && !ov::sck::IsCurrent(handle, m.Ticket)) return;
            if (CSocketMaster* owner = g_socketRoutes.Find(handle))
                owner->WndProc(qintptr(g_windowHandle), m.Msg, m.WParam, m.LParam);
        } else if (m.Msg == kResolveMessage) {
            if (CSocketMaster* owner = g_lookupRoutes.Find(handle))
                owner->WndProc(qintptr(g_windowHandle), m.Msg, m.WParam, m.LParam);
            else
                ov::sck::DiscardLookupResult(handle);
        }
        // Any other message is left to the window's own procedure, which ignores it.
    }

    int m_depth = 0;
    bool m_retired = false;
};

void createWindow() {
    g_window = new SocketMessageWindow; // owned by the module, destroyed by destroyWindow()
    g_windowHandle = ++g_lastWindowHandle;
}

void destroyWindow() {
    if (!g_window) return;
    g_window->retire();
    g_window = nullptr;
    g_windowHandle = 0;
    ov::sck::DiscardCompletedLookups();
}

[[noreturn]] void raise(qint32 number, const char* source, const QString& text) {
    throw ov::RaisedError(number, QString::fromLatin1(source), text);
}

} // namespace

void RoutingTable::Add(qint32 handle, CSocketMaster* owner) {
    for (Entry& e : m_entries) {
        if (e.Handle == -1) {
            e = {handle, owner};
            return;
        }
        if (e.Handle == handle) return;
    }
    m_entries.push_back({handle, owner});
}

void RoutingTable::Remove(qint32 handle) {
    for (Entry& e : m_entries) {
        if (e.Handle == handle) {
            e = {};
            return;
        }
    }
}

CSocketMaster* RoutingTable::Find(qint32 handle) const {
    if (handle == -1) return nullptr;
    for (const Entry& e : m_entries)
        if (e.Handle == handle) return e.Owner;
    return nullptr;
}

void RoutingTable::SetOwner(qint32 handle, CSocketMaster* owner) {
    for (Entry& e : m_entries) {
        if (e.Handle == handle) {
            e.Owner = owner;
            return;
        }
    }
}

void RoutingTable::RemoveOwner(const CSocketMaster* owner) {
    for (Entry& e : m_entries)
        if (e.Owner == owner) e = {};
}

void InstanceCreated() {
    ++g_instanceCount;
    if (g_serviceStarted) return;
    // The routing machinery starts empty; BSD sockets need no service start of their own.
    g_socketRoutes.Clear();
    g_lookupRoutes.Clear();
    g_serviceStarted = true;
}

void InstanceDestroyed(const CSocketMaster* owner) noexcept {
    // Nothing may route to an object that is gone, not even a lookup the platform would no
    // longer cancel.
    g_socketRoutes.RemoveOwner(owner);
    g_lookupRoutes.RemoveOwner(owner);
    if (g_instanceCount == 1 && g_serviceStarted) {
        destroyWindow();
        g_registry.reset();
        g_socketRoutes.Clear();
        g_lookupRoutes.Clear();
        g_serviceStarted = false;
    }
    --g_instanceCount;
}

bool RegisterSocket(qint32 socket, CSocketMaster* owner, bool withNotifications) {
    if (!g_registry) {
        g_registry.emplace();
        createWindow();
    }
    g_socketRoutes.Add(socket, owner);
    if (withNotifications) {
        const qint32 rc = ov::sck::AsyncSelect(socket, g_window, kSocketMessage, kEventMask);
        if (rc != 0) raise(rc, "modSocketMaster.RegisterSocket", ov::sck::GetErrorDescription(rc));
    }
    g_registry->insert(socket);
    return true;
}

void UnregisterSocket(qint32 socket) {
    g_socketRoutes.Remove(socket);
    if (!g_registry) return;
    g_registry->erase(socket);
    if (!g_registry->empty()) return;
    g_registry.reset();
    g_socketRoutes.Clear();
    g_lookupRoutes.Clear();
    destroyWindow();
}

bool IsSocketRegistered(qint32 socket) {
    return g_registry && g_registry->contains(socket);
}

void SetSocketOwner(qint32 socket, CSocketMaster* owner) {
    g_socketRoutes.SetOwner(socket, owner);
}

void RegisterAccept(qint32 socket, std::unique_ptr<CSocketMaster> placeholder) {
    g_acceptRegistry[socket] = std::move(placeholder);
}

bool IsAcceptRegistered(qint32 socket) {
    return g_acceptRegistry.contains(socket);
}

std::unique_ptr<CSocketMaster> UnregisterAccept(qint32 socket) {
    const auto it = g_acceptRegistry.find(socket);
    if (it == g_acceptRegistry.end()) return nullptr;
    std::unique_ptr<CSocketMaster> placeholder = std::move(it->second);
    g_acceptRegistry.erase(it);
    return placeholder;
}

void AddResolveMessage(qint32 lookupHandle, CSocketMaster* owner) {
    g_lookupRoutes.Add(lookupHandle, owner);
}

void RemoveResolveMessage(qint32 lookupHandle) {
    g_lookupRoutes.Remove(lookupHandle);
}

QObject* MessageWindow() {
    return g_window;
}

quintptr MessageWindowHandle() {
    return g_windowHandle;
}

void PostWindowMessage(quint32 msg, qintptr wParam, qintptr lParam) {
    if (g_window) QCoreApplication::postEvent(g_window, new WindowMessage(msg, wParam, lParam));
}

int InstanceCount() {
    return g_instanceCount;
}

bool ServiceStarted() {
    return g_serviceStarted;
}

bool RegistryExists() {
    return g_registry.has_value();
}

const RoutingTable& SocketRoutes() {
    return g_socketRoutes;
}

const RoutingTable& LookupRoutes() {
    return g_lookupRoutes;
}

} // namespace modSocketMaster
