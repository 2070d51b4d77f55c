#pragma once
// The find bar under the raw view and the table: a text box `tFind` that finds as the operator
// types, "Siguiente" and "Anterior" (F3, Shift+F3), "Coincidir mayúsculas", and how many hits
// there are ("3 de 1.204"). What is searched, and how a hit is shown, is a FindTarget the window
// gives for the view on screen. The search runs a slice per pass of the event loop, so a log of a
// million lines never holds the window; the hits found so far are used at once.
#include "views/TextSearch.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct FindTarget {
    std::function<qsizetype()> items;
    TextSearch::ItemText text;
    // Changes whenever the searched text does; the search then starts again.
    std::function<quint64()> revision;
    // Where the operator is: find-as-you-type looks from here on.
    std::function<SearchHit()> from;
    // Brings a hit of `length` bytes into view and selects it.
    std::function<void(SearchHit hit, qsizetype length)> show;
    // Items are shown whole (table rows): each counts once, however often the text is in it.
    bool onePerItem = false;
};

class FindBar : public QWidget {
    Q_OBJECT
public:
    // How long one slice of the search may take.
    static constexpr int kSliceMs = 15;

    explicit FindBar(QWidget* parent = nullptr);

    // The view searched from now on; an open bar searches it at once.
    void SetTarget(FindTarget target);
    // Shows the bar with the text to find selected, ready to be typed over.
    void Open();
    // "3 de 1.204", "Sin coincidencias", or "" with nothing to find.
    QString CountText() const;
    bool Searching() const { return search_.Active() && !search_.Done(); }

public slots:
    void FindNext();
    void FindPrevious();

signals:
    // Esc: the bar has hidden itself.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Want { None, First, Next, Previous };

    void restart(Want want);
    void request(Want want);
    void step();
    void satisfy();
    void showHit(qsizetype index);
    void updateCount();

    QLineEdit* tFind;
    QPushButton* cFindNext;
    QPushButton* cFindPrev;
    QCheckBox* chkFindCase;
    QLabel* lblFindCount;

    FindTarget target_;
    TextSearch search_;
    quint64 revision_ = 0;
    SearchHit anchor_;
    qsizetype current_ = -1; // the hit shown, as an index into the hits
    Want want_ = Want::None;
    bool stepScheduled_ = false;
};
