#pragma once
// What all CSocketMaster objects share: the start and stop of the socket service, the hidden
// message window that receives the platform's notifications (a QObject taking posted
// WindowMessages), the registries of owned and of accepted-but-not-taken sockets, and the two
// routing tables that hand each notification to the object owning its socket or host lookup.
// Everything here runs on the user-interface thread.
#include <QtGlobal>
#include <memory>
#include <vector>

class CSocketMaster;
class QObject;

namespace modSocketMaster {

// Message numbers of the message window: a host lookup finished; a socket notification.
inline constexpr quint32 kResolveMessage = 0x8000;
inline constexpr quint32 kSocketMessage = 0x8001;
// Read, write, accept, connect and close.
inline constexpr qint32 kEventMask = 59;

// A list of (handle, owner) pairs. A removed entry is marked free (handle -1, no owner) and
// reused by a later Add; the list never shrinks until it is cleared.
class RoutingTable {
public:
    struct Entry {
        qint32 Handle = -1;
        CSocketMaster* Owner = nullptr;
    };

    // Looks through the entries in order: reuses the first free one it meets; does nothing if
    // it meets handle first; otherwise appends.
    void Add(qint32 handle, CSocketMaster* owner);
    // Frees the first entry of handle, if any.
    void Remove(qint32 handle);
    // The owner of the first entry of handle, nullptr when there is none.
    CSocketMaster* Find(qint32 handle) const;
    // Gives the first entry of handle to another owner.
    void SetOwner(qint32 handle, CSocketMaster* owner);
    // Frees every entry of owner (an object that is going away).
    void RemoveOwner(const CSocketMaster* owner);
    void Clear() { m_entries.clear(); }
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

// Life of an object: the first creation starts the service, the last destruction stops it and
// removes the routing machinery. InstanceDestroyed also frees every routing entry of owner.
void InstanceCreated();
void InstanceDestroyed(const CSocketMaster* owner) noexcept;

// Registers socket as owned by owner, creating the message window for the first socket; with
// notifications, the socket's read, write, accept, connect and close events are posted to it.
// Raises ov::RaisedError (source "modSocketMaster.RegisterSocket") when that fails.
bool RegisterSocket(qint32 socket, CSocketMaster* owner, bool withNotifications);
// Frees the socket's routing entry and registry place (an unknown socket is ignored); the last
// one destroys the message window and empties both routing tables.
void UnregisterSocket(qint32 socket);
bool IsSocketRegistered(qint32 socket);
// Hands the socket's routing entry to a new owner (an accepted connection taken over).
void SetSocketOwner(qint32 socket, CSocketMaster* owner);

// Incoming connections accepted by the system and held by a placeholder object until an owner
// takes them over; the registry owns the placeholders.
void RegisterAccept(qint32 socket, std::unique_ptr<CSocketMaster> placeholder);
bool IsAcceptRegistered(qint32 socket);
std::unique_ptr<CSocketMaster> UnregisterAccept(qint32 socket);

// Routing of host lookup completions.
void AddResolveMessage(qint32 lookupHandle, CSocketMaster* owner);
void RemoveResolveMessage(qint32 lookupHandle);

// The message window (nullptr and handle 0 while there is none).
QObject* MessageWindow();
quintptr MessageWindowHandle();
// Posts a message to the message window, as the platform does; nothing without a window.
void PostWindowMessage(quint32 msg, qintptr wParam, qintptr lParam);

// For inspection.
int InstanceCount();
bool ServiceStarted();
bool RegistryExists();
const RoutingTable& SocketRoutes();
const RoutingTable& LookupRoutes();

} // namespace modSocketMaster
