#pragma once
// The progress of a long batch run, told on stderr: on a terminal one line redrawn in place,
// otherwise (a log, a pipe) a line every few seconds and one at the end of the phase, so that a
// log gets a few lines and not thousands. A phase that ends before the first line is due says
// nothing, so short runs stay quiet.
#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>

namespace karvell {

class ProgressReport {
public:
    using Sink = std::function<void(const QByteArray& utf8)>;
    using Clock = std::function<qint64()>; // milliseconds, never going back

    static constexpr qint64 kTerminalIntervalMs = 200;
    static constexpr qint64 kLogIntervalMs = 5000;

    // `clock` defaults to a monotonic clock.
    ProgressReport(bool terminal, Sink sink, Clock clock = {});
    ~ProgressReport() { End(); }
    ProgressReport(const ProgressReport&) = delete;
    ProgressReport& operator=(const ProgressReport&) = delete;

    // A phase: "写入 PDF", 1163 items of the unit "页". Ends the previous phase.
    void Begin(const QString& label, const QString& unit, qint64 total);
    void Step(qint64 done);
    void End();

    // "写入 PDF：300/1163 页（25%）"
    static QString Line(const QString& label, const QString& unit, qint64 done, qint64 total);

private:
    void Write(bool final);

    const bool m_terminal;
    Sink m_sink;
    Clock m_clock;
    bool m_active = false;
    bool m_written = false; // a line of this phase has been written
    qint64 m_last = 0;      // when the last line was written, or the phase began
    QString m_label, m_unit;
    qint64 m_total = 0, m_done = 0;
};

} // namespace karvell
