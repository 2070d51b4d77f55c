#pragma once
// Finding a text in the lines of the raw log or in the rows of the table, a slice at a time, so
// that a log of a million lines is searched without holding the window: Continue() searches on
// for a few milliseconds and says when all is done. The items are bytes of the console's code
// page; without "Coincidir mayúsculas" letters match in either case (the code page's letters,
// accented ones included). Hits do not overlap and come in the order of the text.
#include <QByteArray>
#include <QByteArrayView>
#include <compare>
#include <functional>
#include <vector>

struct SearchHit {
    qsizetype item = 0;   // line or row
    qsizetype column = 0; // byte within it
    auto operator<=>(const SearchHit&) const = default;
};

class TextSearch {
public:
    // The bytes of one item; `scratch` may hold them when they must be made.
    using ItemText = std::function<QByteArrayView(qsizetype item, QByteArray& scratch)>;

    // With onePerItem, an item holds at most one hit, its first.
    void Start(qsizetype items, ItemText text, QByteArray needle, bool matchCase,
               bool onePerItem = false);
    // Searches on for about budgetMs milliseconds; true once every item has been searched.
    bool Continue(int budgetMs);
    bool Done() const { return next_ >= items_; }
    bool Active() const { return !needle_.isEmpty(); }
    qsizetype NeedleSize() const { return needle_.size(); }
    const std::vector<SearchHit>& Hits() const { return hits_; }

    // The index of the first hit at or after `at`, of the last hit before it, or -1 when the
    // hits found so far have none there.
    qsizetype FirstFrom(SearchHit at) const;
    qsizetype LastBefore(SearchHit at) const;

private:
    void searchItem(qsizetype item, QByteArrayView bytes);

    ItemText text_;
    QByteArray needle_; // folded when the case does not count
    bool matchCase_ = true;
    bool onePerItem_ = false;
    qsizetype items_ = 0;
    qsizetype next_ = 0;
    std::vector<SearchHit> hits_;
};

// A count as the console shows it, with a point between thousands: "1.204".
QByteArray GroupedCount(qsizetype n);
