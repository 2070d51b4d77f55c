#include "link/SocketErrors.h"

#include <cerrno>
#include <utility>

namespace ov::sck {
namespace {

struct ErrorText {
    qint32 number;
    const char* text;
};

constexpr ErrorText kTexts[] = {
    {10004, "Interrupted function call."},
    {10013, "Permission denied."},
    {10014, "Bad address."},
    {10022, "Invalid argument."},
    {10024, "Too many open files."},
    {10035, "Resource temporarily unavailable."},
    {10036, "Operation now in progress."},
    {10037, "Operation already in progress."},
    {10038, "Socket operation on nonsocket."},
    {10039, "Destination address required."},
    {10040, "Message too long."},
    {10041, "Protocol wrong type for socket."},
    {10042, "Bad protocol option."},
    {10043, "Protocol not supported."},
    {10044, "Socket type not supported."},
    {10045, "Operation not supported."},
    {10046, "Protocol family not supported."},
    {10047, "Address family not supported by protocol family."},
    {10048, "Address already in use."},
    {10049, "Cannot assign requested address."},
    {10050, "Network is down."},
    {10051, "Network is unreachable."},
    {10052, "Network dropped connection on reset."},
    {10053, "Software caused connection abort."},
    {10054, "Connection reset by peer."},
    {10055, "No buffer space available."},
    {10056, "Socket is already connected."},
    {10057, "Socket is not connected."},
    {10058, "Cannot send after socket shutdown."},
    {10060, "Connection timed out."},
    {10061, "Connection refused."},
    {10065, "No route to host."},
    {10067, "Too many processes."},
    {10091, "Network subsystem is unavailable."},
    {10092, "Winsock.dll version out of range."},
    {10093, "Successful WSAStartup not yet performed."},
    {11001, "Host not found."},
    {11002, "Nonauthoritative host not found."},
    {11003, "This is a nonrecoverable error."},
    {11004, "Valid name, no data record of requested type."},
};

// The operator's wording: with the host ("%1"), and without it when there is none to name.
struct OperatorText {
    qint32 number;
    const char* withHost;
    const char* withoutHost;
};

constexpr OperatorText kOperatorTexts[] = {
    {10024, "demasiados archivos abiertos en este equipo", nullptr},
    {10048, "dirección ya en uso", nullptr},
    {10050, "la red de este equipo no funciona", nullptr},
    {10051, "red inalcanzable: no se puede llegar a %1", "red inalcanzable"},
    {10052, "la red cortó la conexión con %1", "la red cortó la conexión"},
    {10053, "conexión con %1 interrumpida en este equipo", "conexión interrumpida en este equipo"},
    {10054, "conexión cortada por %1", "conexión cortada por el otro extremo"},
    {10057, "no hay conexión con %1", "no hay conexión"},
    {10058, "la conexión con %1 ya está cerrada", "la conexión ya está cerrada"},
    {10060, "%1 no responde: tiempo de espera agotado", "tiempo de espera agotado"},
    {10061, "conexión rechazada por %1", "conexión rechazada"},
    {10064, "no se puede llegar a %1", "equipo inalcanzable"},
    {10065, "no se puede llegar a %1", "equipo inalcanzable"},
    {11001, "no se encuentra el equipo %1", "equipo no encontrado"},
    {11002, "no se pudo buscar la dirección de %1: el servidor de nombres no responde",
     "el servidor de nombres no responde"},
    {11003, "falló la búsqueda de la dirección de %1", "falló la búsqueda de la dirección"},
    {11004, "%1 no tiene dirección IPv4", "el equipo no tiene dirección IPv4"},
    {sckBadState, "estado de la conexión no válido para esta operación", nullptr},
    {sckInvalidOp, "operación no válida en el estado actual de la conexión", nullptr},
};

const char* findText(qint32 number) {
    for (const auto& e : kTexts)
        if (e.number == number) return e.text;
    return nullptr;
}

// errno -> Windows Sockets number. Linux numbers differ from the BSD ones Windows Sockets was
// built on, so every value is named rather than offset.
constexpr std::pair<int, qint32> kErrno[] = {
    {EINTR, 10004},           {EACCES, 10013},       {EPERM, 10013},
    {EFAULT, 10014},          {EINVAL, 10022},       {EMFILE, 10024},
    {ENFILE, 10024},          {EAGAIN, 10035},       {EWOULDBLOCK, 10035},
    {EINPROGRESS, 10036},     {EALREADY, 10037},     {ENOTSOCK, 10038},
    {EBADF, 10038},           {EDESTADDRREQ, 10039}, {EMSGSIZE, 10040},
    {EPROTOTYPE, 10041},      {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043},
    {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},   {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},   {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},        {ENETUNREACH, 10051},  {ENETRESET, 10052},
    {ECONNABORTED, 10053},    {ECONNRESET, 10054},   {ENOBUFS, 10055},
    {ENOMEM, 10055},          {EISCONN, 10056},      {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},       {EPIPE, 10058},        {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061}, {ELOOP, 10062},
    {ENAMETOOLONG, 10063},    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},
    {ENOTEMPTY, 10066},       {EUSERS, 10068},       {EDQUOT, 10069},
    {ESTALE, 10070},          {EREMOTE, 10071},
};

} // namespace

QString GetErrorDescription(qint32 number) {
    const char* text = findText(number);
    return text ? QString::fromLatin1(text) : QStringLiteral("Unknown error.");
}

QString OperatorDescription(qint32 number, const QString& host) {
    for (const auto& e : kOperatorTexts) {
        if (e.number != number) continue;
        const bool named = !host.isEmpty() || !e.withoutHost;
        const QString text = QString::fromUtf8(named ? e.withHost : e.withoutHost);
        return text.contains(u"%1") ? text.arg(host) : text;
    }
    return QStringLiteral("error de red");
}

qint32 ErrnoToSocketError(int errnum) {
    for (const auto& [e, number] : kErrno)
        if (e == errnum) return number;
    const qint32 guess = 10000 + errnum;
    return errnum > 0 && errnum < 1000 && !findText(guess) ? guess : 10000;
}

} // namespace ov::sck
