#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <functional>
#include <string>

#include "memo/MemoTypes.h"

// The edit box of the text dialog. Keeps the mouse while the dialog is open: a left-button
// release outside it ends text entry (as OK, so nothing typed is lost).
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
// separated by line feeds) in the box's font and returns the edited text on OK.
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

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    CTextModeEditBox* edit_;
};
