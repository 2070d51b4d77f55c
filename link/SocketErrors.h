#pragma once
// Error numbers and texts of the socket object. The numbers are those of Windows Sockets, which
// the console's owners and operators know; the platform's own error conditions (errno, host
// lookup results) are turned into these numbers before a text is looked up, so the numbers and
// texts stay the same on every platform.
#include <QString>

namespace ov::sck {

// Errors the object raises for misuse, with their fixed texts.
inline constexpr qint32 sckOutOfMemory = 7;
inline constexpr qint32 sckBadState = 40006;    // wrong protocol or connection state
inline constexpr qint32 sckInvalidArg = 40014;  // argument out of range or not convertible
inline constexpr qint32 sckUnsupported = 40018; // unsupported variant type
inline constexpr qint32 sckInvalidOp = 40020;   // invalid operation at current state

// System errors the object itself has to name.
inline constexpr qint32 WSAEWOULDBLOCK = 10035;
inline constexpr qint32 WSAEMSGSIZE = 10040;
inline constexpr qint32 WSAEAFNOSUPPORT = 10047;
inline constexpr qint32 WSAEADDRNOTAVAIL = 10049;
inline constexpr qint32 WSAECONNRESET = 10054;
inline constexpr qint32 WSAECONNREFUSED = 10061;
inline constexpr qint32 WSAHOST_NOT_FOUND = 11001;
inline constexpr qint32 WSATRY_AGAIN = 11002;
inline constexpr qint32 WSANO_DATA = 11004;

inline const QString kTextOutOfMemory = QStringLiteral("Out of memory");
inline const QString kTextBadState =
    QStringLiteral("Wrong protocol or connection state for the requested transaction or request");
inline const QString kTextOutOfRange = QStringLiteral(
    "The argument passed to a function was not in the correct format or in the specified range.");
inline const QString kTextInvalidArgument = QStringLiteral("Invalid argument");
inline const QString kTextUnsupported = QStringLiteral("Unsupported variant type.");
inline const QString kTextInvalidOp = QStringLiteral("Invalid operation at current state");

// The text of a system error number; "Unknown error." for a number the table does not hold.
QString GetErrorDescription(qint32 number);

// What an error number means to the console's operator, in Spanish and in a few words, naming
// the host the console talks to where that helps ("conexión rechazada por 127.0.0.1"); an empty
// host is left out. Numbers an operator does not meet are "error de red". The texts above stay
// the socket object's own.
QString OperatorDescription(qint32 number, const QString& host);

// The Windows Sockets number of an errno value. An errno without a counterpart gives 10000 plus
// its value unless that would name a different, listed error; then 10000 ("Unknown error.").
qint32 ErrnoToSocketError(int errnum);

} // namespace ov::sck
