#include "Helpers.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

namespace {

// A small web server on 127.0.0.1 serving one folder, on a port the system picked.
class LocalWebServer {
public:
    explicit LocalWebServer(const QString& folder) {
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.start(QStringLiteral("python3"),
                      {QStringLiteral("-u"), QStringLiteral("-m"), QStringLiteral("http.server"),
                       QStringLiteral("0"), QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                       QStringLiteral("--directory"), folder});
        static const QRegularExpression serving(QStringLiteral("port (\\d+)"));
        QByteArray said;
        while (port_ == 0 && server_.waitForReadyRead(10000)) {
            said += server_.readAll();
            const QRegularExpressionMatch m = serving.match(QString::fromUtf8(said));
            if (m.hasMatch())
                port_ = m.captured(1).toInt();
        }
    }
    ~LocalWebServer() { stop(); }
    LocalWebServer(const LocalWebServer&) = delete;
    LocalWebServer& operator=(const LocalWebServer&) = delete;

    int port() const { return port_; }
    QString address(const QString& file) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(file);
    }
    void stop() {
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished(5000);
        }
    }

private:
    QProcess server_;
    int port_ = 0;
};

struct UpdaterRun {
    int exitCode = -1;
    QString output;
};

class UpdaterProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_GT(server_.port(), 0) << "the local web server did not start"; }

    void serve(const QByteArray& versionFile) {
        QFile f(site_.file(QStringLiteral("version.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(versionFile);
    }
    // The updater as Grocelle starts it, printing instead of showing its message.
    UpdaterRun updater(const QString& mode, const QString& address) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GROCELLE_UPDATE_URL"), address);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(GROCELLE_UPDATER), {mode, QStringLiteral("--stdout")});
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()).trimmed()};
    }
    QString versionFile() const { return server_.address(QStringLiteral("version.txt")); }

    TempFolder site_;
    LocalWebServer server_{site_.path()};
};

} // namespace

TEST_F(UpdaterProgramTest, CheckNowSaysUpToDateForTheSameVersion) {
    serve(ProgramVersionText().toUtf8() + "\n");
    const UpdaterRun run = updater(QStringLiteral("/checknow"), versionFile());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, QStringLiteral("Grocelle is up to date."));
}

TEST_F(UpdaterProgramTest, ANewerVersionIsNamedAlsoWhenSilent) {
    serve("2.4.0\n");
    const QString expected =
        QStringLiteral("Grocelle 2.4.0 is available; this is version ") + ProgramVersionText() +
        QStringLiteral(".\nThe new version can be downloaded from the Grocelle web site.");
    for (const QString& mode : {QStringLiteral("/checknow"), QStringLiteral("/silent")}) {
        const UpdaterRun run = updater(mode, versionFile());
        EXPECT_EQ(run.exitCode, 0) << mode.toStdString();
        EXPECT_EQ(run.output, expected) << mode.toStdString();
    }
}

TEST_F(UpdaterProgramTest, SilentSaysNothingWithoutANewerVersion) {
    serve(ProgramVersionText().toUtf8());
    const UpdaterRun run = updater(QStringLiteral("/silent"), versionFile());
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, QString());
}

TEST_F(UpdaterProgramTest, AMalformedOrMissingVersionFileIsAClearFailure) {
    serve("<html><body>Moved</body></html>");
    UpdaterRun run = updater(QStringLiteral("/checknow"), versionFile());
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output,
              QStringLiteral("The check for updates failed: ") + versionFile() + " does not name a version.");

    run = updater(QStringLiteral("/checknow"), server_.address(QStringLiteral("missing.txt")));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.startsWith(QStringLiteral("The check for updates failed: ") +
                                      server_.address(QStringLiteral("missing.txt")) +
                                      " could not be read ("))
        << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("404"))) << run.output.toStdString();
}

TEST_F(UpdaterProgramTest, HelpPrintsTheUsageAndChecksNothing) {
    serve("9.9.9");
    for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("GROCELLE_UPDATE_URL"), versionFile());
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(GROCELLE_UPDATER), {help});
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 0);
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_TRUE(out.startsWith(QStringLiteral("Usage: grocelle-updater"))) << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("9.9.9"))) << "a check ran";
    }
    const UpdaterRun wrong = updater(QStringLiteral("--bogus"), versionFile());
    EXPECT_EQ(wrong.exitCode, 2);
    EXPECT_EQ(wrong.output, QString()) << "nothing checked";
}

TEST_F(UpdaterProgramTest, AServerThatIsDownIsAFailureExceptWhenSilent) {
    serve("9.9.9");
    const QString address = versionFile();
    server_.stop();
    UpdaterRun run = updater(QStringLiteral("/checknow"), address);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.output.startsWith(QStringLiteral("The check for updates failed: ") + address +
                                      QStringLiteral(" could not be read (")))
        << run.output.toStdString();

    run = updater(QStringLiteral("/silent"), address);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.output, QString());
}
