#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

// One status line on standard error while quillon works through the entries, shown only when
// that is a terminal: the entries and bytes done of their totals and the name of the entry at
// hand, cut to the terminal's width. It is rewritten at most ten times a second, so it costs
// next to nothing, and taken off before any other line is printed and at the end.
class ProgressLine
{
public:
    explicit ProgressLine(std::FILE *err);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled) { m_enabled = enabled; }

    void start(qint64 entries, qint64 bytes);
    // The entry now begun, by the name the archive gives it.
    void entry(const QString &name);
    void addBytes(qint64 bytes);
    void entryDone();
    // The entry is done and counts bytes in all, whatever addBytes() was told of it (it may
    // have failed halfway, or been left as it was).
    void entryDone(qint64 bytes);
    // Takes the line off the screen, if it is on it.
    void clear();

private:
    // Draws the line when the last drawing is long enough ago.
    void update();

    std::FILE *m_err;
    bool m_enabled;
    qint64 m_entries = 0;
    qint64 m_bytes = 0;
    qint64 m_entriesDone = 0;
    qint64 m_bytesDone = 0;
    qint64 m_entryStart = 0; // m_bytesDone when the entry at hand began
    QString m_name;
    QElapsedTimer m_clock;
    qint64 m_due = 0; // when the line may be drawn again, in ms of m_clock
    qsizetype m_shown = 0; // columns the line takes on the screen now
};
