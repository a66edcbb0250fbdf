#pragma once

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;
class QWebEngineFindTextResult;
class QWebEnginePage;

// The find bar over a tab's page (a child of the tab laid over the top of the view): finds as the user types, steps to the next match (Enter,
// F3) or the previous one (Shift+Enter, Shift+F3), shows "n / m" or that nothing was found,
// can match case, and clears the highlight when it closes (Escape).
class FindBar : public QWidget {
    Q_OBJECT
public:
    FindBar(QWebEnginePage* page, QWidget* parent);

    // Shows the bar with its text selected and the keyboard in it.
    void open();
    // Hides it and clears the highlight.
    void close_bar();
    void find_next();
    void find_previous();

    QLineEdit* edit() const { return edit_; }
    QCheckBox* case_option() const { return case_; }
    // "2 / 5", "見つかりません" or nothing.
    QString result_text() const;
    // Matches found by the last search, and which of them is current (1-based, 0 for none).
    int matches() const { return matches_; }
    int active_match() const { return active_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void place();
    void find(bool backward);
    void show_result(const QWebEngineFindTextResult& result);

    QWebEnginePage* page_;
    QLineEdit* edit_;
    QToolButton* previous_;
    QToolButton* next_;
    QCheckBox* case_;
    QLabel* result_;
    QString searched_;  // the text searched; empty while nothing is
    int in_flight_ = 0;         // searches the engine has not answered yet
    bool search_again_ = false; // the text changed while one ran
    static constexpr int kSecondLooks = 3;
    static constexpr int kSecondLookDelayMs = 200;
    int second_looks_ = 0;      // further looks before "not found" is believed
    int matches_ = 0;
    int active_ = 0;
};
