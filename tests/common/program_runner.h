#pragma once
// Running the project's programs as a user runs them, for every test suite.
#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace karvell::test {

struct ProgramRun {
    bool finished = false; // false: killed after the time-out
    int exitCode = -1;     // -1 also for a crash
    QByteArray out;
    QString err;
    QString OutText() const { return QString::fromUtf8(out); }
};

// The system environment made repeatable: offscreen, every printer shown, no password override.
QProcessEnvironment ProgramEnvironment();

ProgramRun RunProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& env = ProgramEnvironment(),
                      const QString& workDir = QString(), int timeoutMs = 120000);

} // namespace karvell::test
