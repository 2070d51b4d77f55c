// Searching the log a slice at a time (see TextSearch.h).
#include "views/TextSearch.h"

#include <QElapsedTimer>
#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Each byte's lower-case letter in the code page (Windows-1252): ASCII, the accented capitals
// 0xC0..0xDE (but the multiplication sign) and Š, Œ, Ž, Ÿ; every other byte is itself.
constexpr std::array<unsigned char, 256> makeFold() {
    std::array<unsigned char, 256> fold{};
    for (int b = 0; b < 256; ++b)
        fold[size_t(b)] = static_cast<unsigned char>(b);
    for (int b = 'A'; b <= 'Z'; ++b)
        fold[size_t(b)] = static_cast<unsigned char>(b + 0x20);
    for (int b = 0xC0; b <= 0xDE; ++b)
        if (b != 0xD7) fold[size_t(b)] = static_cast<unsigned char>(b + 0x20);
    fold[0x8A] = 0x9A;
    fold[0x8C] = 0x9C;
    fold[0x8E] = 0x9E;
    fold[0x9F] = 0xFF;
    return fold;
}
constexpr std::array<unsigned char, 256> kFold = makeFold();

unsigned char folded(char c) {
    return kFold[static_cast<unsigned char>(c)];
}

} // namespace

void TextSearch::Start(qsizetype items, ItemText text, QByteArray needle, bool matchCase,
                       bool onePerItem) {
    text_ = std::move(text);
    matchCase_ = matchCase;
    onePerItem_ = onePerItem;
    needle_ = std::move(needle);
    if (!matchCase_)
        for (char& c : needle_)
            c = char(folded(c));
    items_ = needle_.isEmpty() ? 0 : items;
    next_ = 0;
    hits_.clear();
}

bool TextSearch::Continue(int budgetMs) {
    QElapsedTimer clock;
    clock.start();
    QByteArray scratch;
    // The clock is read every few thousand items: reading it costs more than a short line.
    while (next_ < items_) {
        const qsizetype end = std::min(items_, next_ + 4096);
        for (; next_ < end; ++next_)
            searchItem(next_, text_(next_, scratch));
        if (clock.elapsed() >= budgetMs) break;
    }
    return Done();
}

void TextSearch::searchItem(qsizetype item, QByteArrayView bytes) {
    const qsizetype n = needle_.size();
    const char* data = bytes.data();
    const qsizetype last = bytes.size() - n;
    if (matchCase_) {
        for (qsizetype at = 0; at <= last;) {
            const void* hit =
                memmem(data + at, size_t(bytes.size() - at), needle_.constData(), size_t(n));
            if (!hit) return;
            const qsizetype column = static_cast<const char*>(hit) - data;
            hits_.push_back({item, column});
            if (onePerItem_) return;
            at = column + n;
        }
        return;
    }
    const auto first = static_cast<unsigned char>(needle_[0]);
    for (qsizetype at = 0; at <= last; ++at) {
        if (folded(data[at]) != first) continue;
        qsizetype k = 1;
        while (k < n && folded(data[at + k]) == static_cast<unsigned char>(needle_[k]))
            ++k;
        if (k < n) continue;
        hits_.push_back({item, at});
        if (onePerItem_) return;
        at += n - 1;
    }
}

qsizetype TextSearch::FirstFrom(SearchHit at) const {
    const auto it = std::lower_bound(hits_.begin(), hits_.end(), at);
    return it == hits_.end() ? -1 : qsizetype(it - hits_.begin());
}

qsizetype TextSearch::LastBefore(SearchHit at) const {
    const auto it = std::lower_bound(hits_.begin(), hits_.end(), at);
    return it == hits_.begin() ? -1 : qsizetype(it - hits_.begin()) - 1;
}

QByteArray GroupedCount(qsizetype n) {
    QByteArray digits = QByteArray::number(n);
    for (qsizetype at = digits.size() - 3; at > (n < 0 ? 1 : 0); at -= 3)
        digits.insert(at, '.');
    return digits;
}
