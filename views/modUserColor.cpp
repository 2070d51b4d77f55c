#include "views/modUserColor.h"

#include "views/modColor.h"

#include <QHash>
#include <QList>
#include <array>
#include <limits>
#include <random>

namespace {

struct Palette {
    std::array<qint32, kUserColorCount> colors{};
    std::array<qint32, kUserColorCount> bright{};
};

// The registry keeps its records in the order of registration; the hash finds a key's record
// without walking tens of thousands of hosts.
struct Registry {
    QList<IPItem> items;
    QHash<QString, qsizetype> position;
    qint32 counter = 0;
    quint64 generation = 0;
};

Palette& palette() {
    static Palette p;
    return p;
}

Registry& registry() {
    static Registry r;
    return r;
}

int wrap(qint32 index) {
    const int m = static_cast<int>(index % kUserColorCount);
    return m < 0 ? m + kUserColorCount : m;
}

} // namespace

void InitUserColors() {
    // mt19937's output sequence is fixed by the C++ standard for a given seed, and the draws are
    // computed here rather than through a library distribution, so every build gives the same
    // palette.
    std::mt19937 gen(20040611u);
    auto draw = [&gen] { return static_cast<double>(gen()) / 4294967296.0; };
    Palette& p = palette();
    for (int i = 0; i < kUserColorCount; ++i) {
        const int r = static_cast<int>(draw() * 255);
        const int g = static_cast<int>(draw() * 255);
        const int b = static_cast<int>(draw() * 255);
        p.colors[i] = RGBColor(r, g, b);
        p.bright[i] = r + g + b;
    }
}

qint32 UserColors(qint32 index) {
    return palette().colors[wrap(index)];
}

qint32 UserBright(qint32 index) {
    return palette().bright[wrap(index)];
}

qint32 UserColorIndex(qint32 row, const QString& key) {
    Registry& reg = registry();
    if (row == 0) {
        reg.items.clear();
        reg.position.clear();
        reg.counter = -1;
        ++reg.generation;
    }
    const auto found = reg.position.constFind(key);
    if (found != reg.position.constEnd()) return reg.items[*found].Index;
    reg.counter = reg.counter == std::numeric_limits<qint32>::max() ? 0 : reg.counter + 1;
    reg.position.insert(key, reg.items.size());
    reg.items.append(IPItem{key, reg.counter});
    return reg.counter;
}

quint64 UserRegistryGeneration() {
    return registry().generation;
}

bool UserExists(const QString& key) {
    return registry().position.contains(key);
}

qint32 UserIndex(const QString& key) {
    const Registry& reg = registry();
    const auto found = reg.position.constFind(key);
    return found == reg.position.constEnd() ? 16777215 : reg.items[*found].Index;
}

qint32 UserCount() {
    return static_cast<qint32>(registry().items.size());
}
