#pragma once
// The user colours shared by the table and the diagram: a palette of 512 colours made once at
// start-up, and a registry that hands every new host text the next palette index in the order in
// which hosts are first asked for.
#include <QString>

// One registered key and the palette index it was given.
struct IPItem {
    QString IP;
    qint32 Index = 0;
};

constexpr int kUserColorCount = 512;

// Fills the palette from a fixed-seed generator: the same 512 colours in every run.
void InitUserColors();

// Palette entry of an index. Indices beyond the palette wrap around it (index 512 shows the
// colour of 0, -1 that of 511), so a log with more than 512 hosts repeats colours and never reads
// outside the palette.
qint32 UserColors(qint32 index);
// red + green + blue of the same entry (0..762).
qint32 UserBright(qint32 index);

// The palette index of key, registering it at the end when it is new. Row 0 empties the registry
// first (the counter restarts so that the next new key gets 0); before any emptying the first key
// gets 1. Keys are compared exactly.
qint32 UserColorIndex(qint32 row, const QString& key);
bool UserExists(const QString& key);
// Changes each time the registry is emptied, so that a caller may keep the indices it was given
// for as long as it stays the same.
quint64 UserRegistryGeneration();
// The index of key; 16777215 when it is not registered.
qint32 UserIndex(const QString& key);
// The number of registered keys.
qint32 UserCount();
