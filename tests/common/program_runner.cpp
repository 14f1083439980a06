#include "common/program_runner.h"

#include <QProcess>

namespace karvell::test {

QProcessEnvironment ProgramEnvironment() {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.remove(QStringLiteral("KARVELL_NO_PRINTERS"));
    env.remove(QStringLiteral("KARVELL_DB_PASSWORD"));
    return env;
}

ProgramRun RunProgram(const QString& program, const QStringList& args,
                      const QProcessEnvironment& env, const QString& workDir, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workDir.isEmpty()) process.setWorkingDirectory(workDir);
    process.start(program, args);
    ProgramRun run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode =
        run.finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace karvell::test
