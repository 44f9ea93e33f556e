#include "core/device/runners.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "support/files.h"
#include <QTimer>

namespace {
ToolCommand shell(const QString &script, const QStringList &args = {}) {
    return {"/bin/sh", QStringList{"-c", script, "sh"} + args};
}

// A text of n characters that shows any loss or reordering: a counting pattern.
QByteArray pattern(int n) {
    QByteArray out;
    for (int i = 0; out.size() < n; ++i)
        out += QByteArray::number(i) + ',';
    return out.left(n);
}
} // namespace

class TestRunners : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void capturedOutputIsAppended() {
        QString memo = "x";
        const RunResult result =
            CapturedRunner::run(shell("printf 'List\\r\\nR1\\tdevice\\r\\n'"), memo);
        QVERIFY(result.started && result.finished);
        QCOMPARE(memo, QString("xList\r\nR1\tdevice\r\n"));
    }

    void noOutputLeavesTheTextAsItWas() {
        QString memo = "before";
        CapturedRunner::run(shell("exit 0"), memo);
        QCOMPARE(memo, QString("before"));
    }

    void errorOutputIsCapturedToo() {
        QString memo;
        CapturedRunner::run(shell("echo out; echo err >&2"), memo);
        QVERIFY(memo.contains("out\n"));
        QVERIFY(memo.contains("err\n"));
    }

    void outputAcrossChunks_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("one byte short of a chunk") << 2399;
        QTest::newRow("exactly a chunk") << 2400;
        QTest::newRow("one byte over") << 2401;
        QTest::newRow("many chunks") << 3 * 2400 + 17;
        QTest::newRow("more than a pipe holds") << 200000;
    }
    void outputAcrossChunks() {
        QFETCH(int, size);
        const QByteArray expected = pattern(size);
        const QString source = m_dir.filePath(QStringLiteral("out-%1").arg(size));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(expected);
        file.close();
        QString memo;
        const RunResult result = CapturedRunner::run({"/bin/cat", {source}}, memo);
        QVERIFY(result.finished);
        QCOMPARE(memo.size(), size);
        QCOMPARE(memo.toLatin1(), expected);
    }

    void characterCutByAChunkArrivesWhole() {
        // With a UTF-8 locale the é straddles the 2400-byte boundary.
        QString memo;
        CapturedRunner::run(shell("head -c 2399 /dev/zero | tr '\\0' a; printf '\\303\\251z'"),
                            memo);
        QCOMPARE(memo, QString(2399, 'a') + QString::fromUtf8("éz"));
    }

    void watchIsPausedAndResumed() {
        QTimer watch;
        watch.setInterval(1000);
        watch.start();
        bool activeDuringRun = true;
        // Runs from inside the runner's wait, which keeps processing events.
        QTimer::singleShot(0, [&] { activeDuringRun = watch.isActive(); });
        QString memo;
        CapturedRunner::run(shell("sleep 0.3"), memo, &watch);
        QVERIFY(!activeDuringRun);
        QVERIFY(watch.isActive());
    }

    void watchIsResumedAfterAFailedStart() {
        QTimer watch;
        watch.start(1000);
        QString memo = "kept";
        const RunResult result =
            CapturedRunner::run({m_dir.filePath("no-such-tool"), {"devices"}}, memo, &watch);
        QVERIFY(!result.started);
        QVERIFY(watch.isActive());
        QCOMPARE(memo, QString("kept"));
    }

    void stoppedWatchStaysStopped() {
        QTimer watch;
        watch.setInterval(1000);
        QString memo;
        CapturedRunner::run(shell("echo hi"), memo, &watch);
        QVERIFY(!watch.isActive());
    }

    void hungToolIsGivenUp() {
        QTimer watch;
        watch.start(1000);
        QString memo;
        const RunResult result = CapturedRunner::run(
            shell("echo 'List of devices attached'; sleep 60"), memo, &watch, 300);
        QVERIFY(result.started);
        QVERIFY(!result.finished);
        QCOMPARE(memo, QString()); // half an answer is no answer
        QVERIFY(watch.isActive());
    }

    void hiddenRunnerPassesArgumentsUnchanged() {
        const QString out = m_dir.filePath("args");
        const QString marker = m_dir.filePath("pwned");
        const QStringList args = {"D:/Inv Files/",
                                  "say \"hi\"",
                                  "a'b",
                                  QString("x; touch %1").arg(marker),
                                  "$(touch " + marker + ")",
                                  QString::fromUtf8("Été")};
        const RunResult result = HiddenRunner::run(
            shell("out=$1; shift; printf '%s\\n' \"$@\" > \"$out\"", QStringList{out} + args));
        QVERIFY(result.started && result.finished);
        QCOMPARE(QString::fromUtf8(readFile(out)), args.join('\n') + '\n');
        QVERIFY(!QFile::exists(marker));
    }

    void hiddenRunnerWaitsForTheEnd() {
        const QString done = m_dir.filePath("done");
        const RunResult result = HiddenRunner::run(shell("sleep 0.6; echo fin > \"$1\"", {done}));
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 0);
        QCOMPARE(readFile(done), QByteArray("fin\n"));
    }

    void hiddenRunnerRunsAtLowestPriority() {
        const QString out = m_dir.filePath("nice");
        HiddenRunner::run(shell("nice > \"$1\"", {out}));
        QCOMPARE(readFile(out).trimmed(), QByteArray("19"));
    }

    void hiddenRunnerReportsExitAndOutput() {
        const RunResult result =
            HiddenRunner::run(shell("echo 'adb: error: more than one device' >&2; exit 1"));
        QVERIFY(result.finished);
        QCOMPARE(result.exitCode, 1);
        QCOMPARE(result.output, QByteArray("adb: error: more than one device\n"));
    }

    void hiddenRunnerSurvivesAMissingTool() {
        const RunResult result = HiddenRunner::run({m_dir.filePath("no-such-tool"), {"push"}});
        QVERIFY(!result.started);
    }
};

QTEST_GUILESS_MAIN(TestRunners)
#include "tst_runners.moc"
