#include "platform/progress.h"

#include <QElapsedTimer>
#include <algorithm>
#include <memory>

namespace karvell {

ProgressReport::ProgressReport(bool terminal, Sink sink, Clock clock)
    : m_terminal(terminal), m_sink(std::move(sink)), m_clock(std::move(clock)) {
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] { return timer->elapsed(); };
    }
}

QString ProgressReport::Line(const QString& label, const QString& unit, qint64 done, qint64 total) {
    const qint64 percent = total > 0 ? std::clamp<qint64>(done * 100 / total, 0, 100) : 100;
    return QStringLiteral("%1：%2/%3 %4（%5%）")
        .arg(label)
        .arg(done)
        .arg(total)
        .arg(unit)
        .arg(percent);
}

void ProgressReport::Begin(const QString& label, const QString& unit, qint64 total) {
    End();
    m_active = true;
    m_written = false;
    m_label = label;
    m_unit = unit;
    m_total = total;
    m_done = 0;
    m_last = m_clock();
}

void ProgressReport::Step(qint64 done) {
    if (!m_active) return;
    m_done = done;
    const qint64 now = m_clock();
    if (now - m_last < (m_terminal ? kTerminalIntervalMs : kLogIntervalMs)) return;
    m_last = now;
    Write(false);
}

void ProgressReport::End() {
    if (!m_active) return;
    m_active = false;
    if (m_written) Write(true);
}

void ProgressReport::Write(bool final) {
    m_written = true;
    const QByteArray text = Line(m_label, m_unit, m_done, m_total).toUtf8();
    if (m_terminal)
        m_sink('\r' + text + (final ? "\n" : ""));
    else
        m_sink(text + '\n');
}

} // namespace karvell
