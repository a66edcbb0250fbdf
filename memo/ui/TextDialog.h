#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <functional>
#include <string>

#include "memo/MemoTypes.h"

// The edit box of the text dialog: a left-button release outside it (pressed inside) ends
// text entry (as OK, so nothing typed is lost).
class CTextModeEditBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CTextModeEditBox(QWidget* parent);

signals:
    void released_outside();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

// A borderless window over a text box whose edit box fills it: takes the text (lines
// separated by line feeds) in the box's font and returns the edited text on OK. It is a
// popup, so while it is open it gets every press and wheel turn of the program: one outside
// it ends text entry as OK, the way the edit box's mouse capture does elsewhere. Escape cancels.
class CTextDialog : public QDialog {
    Q_OBJECT
public:
    CTextDialog(QWidget* parent, const QRect& window_rect, const QString& text, const memo::LogFont& font);
    QString text() const;
    CTextModeEditBox* edit() const { return edit_; }

    // Runs the dialog over rect (coordinates of parent); text is Shift_JIS with line feeds.
    static bool run(QWidget* parent, const QRect& rect, std::string& text, const memo::LogFont& font);
    // Tests answer instead of a person: receives the text, returns false for Cancel.
    using Responder = std::function<bool(std::string& text)>;
    static void set_responder(Responder responder);


    // Only Escape cancels: a popup is also closed when the program loses the screen, and
    // that keeps the text like any other way out.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    CTextModeEditBox* edit_;
    bool cancelled_ = false;
};
