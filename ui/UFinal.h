#pragma once

#include "ui_TFinal.h"

#include <QWidget>

// The result window: the turn cycle writes the result into RxLabel1 and
// shows it at the end of each game; a click on the picture hides it.
class TFinal : public QWidget, public Ui::TFinal {
    Q_OBJECT

public:
    // A dialog of the main window: the window manager keeps it in front of
    // the main window, although that one is kept above all others.
    explicit TFinal(QWidget *parent = nullptr);
    ~TFinal() override;

    // Sets the result text and shows the window in front, active, not modal.
    void showResult(const QString &text);

    void Image1Click();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // Enter and Space close it as a click on the picture does.
    void keyPressEvent(QKeyEvent *event) override;
};

// The program's result window, or null when there is none.
extern TFinal *Final;
