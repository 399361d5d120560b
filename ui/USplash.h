#pragma once

#include "ui_TSplash.h"

#include <QDialog>

// The splash picture that opens the program: shown modally just before the
// main window appears, gone for good after the first left click.
class TSplash : public QDialog, public Ui::TSplash {
    Q_OBJECT

public:
    explicit TSplash(QWidget *parent = nullptr);
    ~TSplash() override;

    // Its picture is shown after the window itself.
    void setVisible(bool visible) override;

    // Shows the splash and waits, serving events, until it is clicked away.
    int showModal();

    void Image1Click();
    // Once clicked away the splash is never seen again: its picture and
    // native window go, the window object stays.
    void releasePicture();

signals:
    // Once, after its first paint has reached the screen: work that would
    // compete with showing it can begin.
    void onScreen();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    // Enter and Space close it as a left click does.
    void keyPressEvent(QKeyEvent *event) override;
    // Escape would end the wait without the click the splash asks for.
    void reject() override {}

private:
    bool m_painted{false};
};

// The program's splash window, or null when there is none.
extern TSplash *Splash;
