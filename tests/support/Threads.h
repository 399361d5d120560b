#pragma once

// The names of the calling process's threads, as the kernel lists them.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

// The names, sorted.
inline QStringList threadNames()
{
    QStringList names;
    for (const QFileInfo &task : QDir("/proc/self/task").entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(task.filePath() + "/comm");
        if (comm.open(QIODevice::ReadOnly))
            names << QString::fromUtf8(comm.readAll()).trimmed();
    }
    names.sort();
    return names;
}
