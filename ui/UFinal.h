#pragma once

#include "ui_TFinal.h"

#include <QWidget>

// The result window: the turn cycle writes the result into RxLabel1 and
// shows it at the end of each game; a click on the picture hides it.
class TFinal : public QWidget, public Ui::TFinal {
    Q_OBJECT

public:
    // With the main window as parent the result window stays in front of it,
    // although the main window is kept above all others.
    explicit TFinal(QWidget *parent = nullptr);
    ~TFinal() override;

    // Sets the result text and shows the window in front, active, not modal.
    void showResult(const QString &text);

    void Image1Click();

protected:
    void showEvent(QShowEvent *event) override;
};

// The program's result window, or null when there is none.
extern TFinal *Final;
