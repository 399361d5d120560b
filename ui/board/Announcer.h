#pragma once

#include <QString>
#include <QWidget>

namespace tavlo {

// The game's voice for screen readers: a hidden notification whose text is
// the latest news. Each announcement shows it anew, and screen readers
// speak a notification that comes into view (Orca does so from well before
// the version that Debian 12 ships). Nothing is drawn and nothing else
// changes on the screen.
class Announcer : public QWidget {
    Q_OBJECT

public:
    explicit Announcer(QWidget *parent = nullptr);

    void say(const QString &text);
    // The last thing said, empty before the first.
    QString lastText() const { return accessibleName(); }
};

// Says text through the window's announcer, made on first use.
void announce(QWidget *window, const QString &text);

} // namespace tavlo
