#pragma once
// koda-sim as a child process of a test: starts it with the given options, reads
// the pseudo-terminal path it prints, and stops it at the end.
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <csignal>
#include <sys/prctl.h>

class SimProcess {
public:
    explicit SimProcess(const QStringList& arguments) {
        m_process.setProgram(qEnvironmentVariable("KODA_SIM"));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The simulator shares the test's stderr; if the test dies without running
        // its destructors (a sanitizer abort), the simulator must die with it, or the
        // test runner waits on the open pipe until its timeout.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start();
        // A loaded machine may take long to start it: the wait ends when the path line
        // is there or the simulator has ended, with a ceiling far beyond a normal start.
        if (!m_process.waitForStarted(60000))
            return;
        QElapsedTimer waited;
        waited.start();
        while (!m_process.canReadLine() && m_process.state() == QProcess::Running &&
               waited.elapsed() < 60000)
            m_process.waitForReadyRead(50);
        m_path = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    ~SimProcess() { stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool isValid() const { return !m_path.isEmpty(); }
    QString path() const { return m_path; }
    // A line on the simulator's stdin: "live", "fuel" or "quit".
    void command(const QByteArray& line) {
        m_process.write(line + '\n');
        m_process.waitForBytesWritten(1000);
    }
    // Everything the simulator printed after the path line.
    QByteArray output() {
        m_process.waitForReadyRead(10);
        return m_process.readAll();
    }
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

private:
    QProcess m_process;
    QString m_path;
};
