#include "link/SocketVariant.h"

#include "core/ansi.h"

#include <QtEndian>
#include <bit>

namespace ov::sck {
namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };

template <class T> QByteArray littleEndian(T value) {
    QByteArray out(sizeof(T), Qt::Uninitialized);
    qToLittleEndian(value, out.data());
    return out;
}

template <class T> T fromLittleEndian(QByteArrayView bytes) {
    return qFromLittleEndian<T>(bytes.data());
}

} // namespace

qint32 VarTypeOf(const SocketVariant& value) {
    return std::visit(Overloaded{
                          [](std::monostate) { return qint32(vbEmpty); },
                          [](quint8) { return qint32(vbByte); },
                          [](qint16) { return qint32(vbInteger); },
                          [](qint32) { return qint32(vbLong); },
                          [](float) { return qint32(vbSingle); },
                          [](double) { return qint32(vbDouble); },
                          [](Currency) { return qint32(vbCurrency); },
                          [](Date) { return qint32(vbDate); },
                          [](bool) { return qint32(vbBoolean); },
                          [](const QString&) { return qint32(vbString); },
                          [](const QByteArray&) { return qint32(vbByteArray); },
                      },
                      value);
}

std::optional<QByteArray> VariantToBytes(const SocketVariant& value) {
    using R = std::optional<QByteArray>;
    return std::visit(Overloaded{
                          [](std::monostate) -> R { return std::nullopt; },
                          [](quint8 v) -> R { return QByteArray(1, char(v)); },
                          [](qint16 v) -> R { return littleEndian(v); },
                          [](qint32 v) -> R { return littleEndian(v); },
                          [](float v) -> R { return littleEndian(std::bit_cast<quint32>(v)); },
                          [](double v) -> R { return littleEndian(std::bit_cast<quint64>(v)); },
                          [](Currency v) -> R { return littleEndian(v.Value); },
                          [](Date v) -> R { return littleEndian(std::bit_cast<quint64>(v.Value)); },
                          [](bool v) -> R { return littleEndian(qint16(v ? -1 : 0)); },
                          [](const QString& v) -> R { return ov::toAnsi(v); },
                          [](const QByteArray& v) -> R { return v; },
                      },
                      value);
}

int FixedSizeOf(qint32 varType) {
    switch (varType) {
    case vbByte:
        return 1;
    case vbInteger:
    case vbBoolean:
        return 2;
    case vbLong:
    case vbSingle:
        return 4;
    case vbDouble:
    case vbCurrency:
    case vbDate:
        return 8;
    case vbString:
    case vbByteArray:
        return 0;
    default:
        return -1;
    }
}

SocketVariant BytesToVariant(qint32 varType, QByteArrayView bytes) {
    switch (varType) {
    case vbByte:
        return quint8(bytes[0]);
    case vbInteger:
        return fromLittleEndian<qint16>(bytes);
    case vbBoolean:
        return fromLittleEndian<qint16>(bytes) != 0;
    case vbLong:
        return fromLittleEndian<qint32>(bytes);
    case vbSingle:
        return std::bit_cast<float>(fromLittleEndian<quint32>(bytes));
    case vbDouble:
        return std::bit_cast<double>(fromLittleEndian<quint64>(bytes));
    case vbCurrency:
        return Currency{fromLittleEndian<qint64>(bytes)};
    case vbDate:
        return Date{std::bit_cast<double>(fromLittleEndian<quint64>(bytes))};
    case vbString:
        return ov::fromAnsi(bytes);
    case vbByteArray:
        return bytes.toByteArray();
    default:
        return std::monostate{};
    }
}

std::optional<double> NumericValue(const SocketVariant& value) {
    using R = std::optional<double>;
    return std::visit(Overloaded{
                          [](std::monostate) -> R { return 0.0; },
                          [](quint8 v) -> R { return v; },
                          [](qint16 v) -> R { return v; },
                          [](qint32 v) -> R { return v; },
                          [](float v) -> R { return v; },
                          [](double v) -> R { return v; },
                          [](Currency v) -> R { return double(v.Value) / 10000.0; },
                          [](Date) -> R { return std::nullopt; },
                          [](bool v) -> R { return v ? -1.0 : 0.0; },
                          [](const QString& v) -> R {
                              bool ok = false;
                              const double d = v.trimmed().toDouble(&ok);
                              return ok ? R(d) : std::nullopt;
                          },
                          [](const QByteArray&) -> R { return std::nullopt; },
                      },
                      value);
}

} // namespace ov::sck
