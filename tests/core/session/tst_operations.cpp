// One path per operation: the import stores what its preview read, options reach the settings
// file only from the session's thread and only with a committed change, and every failure is
// kept in the log with its cause.
#include "SessionFixture.h"
#include "session/ProgramLog.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

class TestOperations : public QObject {
    Q_OBJECT

private slots:
    // The file is read once: replaced after the preview, the previewed draws are still what is stored.
    void importStoresWhatWasPreviewed_data() {
        QTest::addColumn<bool>("append");
        QTest::newRow("replace") << false;
        QTest::newRow("append") << true;
    }
    void importStoresWhatWasPreviewed() {
        QFETCH(bool, append);
        Fixture f;
        QVERIFY(f.reopen());
        const QString path = f.write(u"h.txt"_s, history);
        const auto preview = f.session->previewImport(path).wait();
        QVERIFY(preview);
        QCOMPARE(preview->fileDraws, 7);
        QCOMPARE(preview->appendCount, 7);
        f.write(u"h.txt"_s, "2030001 01 02 03 04 05 06 07\n");
        const auto stored = append ? f.session->appendHistory(preview.value()).wait()
                                   : f.session->importHistory(preview.value()).wait();
        QVERIFY2(stored, qPrintable(stored ? QString() : stored.error().shown()));
        QCOMPARE(f.session->draws().size(), size_t(7));
        QCOMPARE(f.session->draw(6).period().value(), 2026005);
    }

    // With a view listening the change runs on a copy on the database thread; the option is written
    // after the commit, on the session's thread (Settings stops the program otherwise), and not at
    // all when the commit fails.
    void optionsAreSavedOnlyOnTheSessionThreadAfterCommit() {
        Fixture f;
        QVERIFY(f.reopen());
        QObject view;
        QObject::connect(f.session.get(), &Session::changed, &view, [] {});
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)));
        QVERIFY(f.setOption(u"WxIni"_s, u"1"_s));
        QCOMPARE(
            QSettings(f.settings.fileName(), QSettings::IniFormat).value(u"IniSetting/WxIni"_s).toString(),
            u"1"_s);
        QVERIFY(f.setOption(u"MaAddIni"_s, u"True"_s));
        QVERIFY(f.exec(
            u"CREATE TRIGGER refuse BEFORE UPDATE ON Lishi0 BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s));
        const auto refused = f.setOption(u"WxIni"_s, u"2"_s);
        QVERIFY(!refused);
        QCOMPARE(
            QSettings(f.settings.fileName(), QSettings::IniFormat).value(u"IniSetting/WxIni"_s).toString(),
            u"1"_s);
        QCOMPARE(f.optionText(u"WxIni"_s), u"1"_s);
    }

    // A formula's text edited: the formula table and the results follow, the undo puts both back.
    void editingAFormula() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)));
        QVERIFY(f.addFormula(u"[D单特类]特码数+1"_s, 0, true));
        QVERIFY(f.addFormula(u"[D单特类]特码数+2"_s, 0, true));
        const FormulaResult before = f.session->result(1);
        QVERIFY(!f.session->editFormula(1, u"特码数+"_s).wait());
        QVERIFY(f.session->editFormula(1, u"[D单特类]特码数+2"_s).wait());
        QCOMPARE(f.session->formulas()[0].code, f.session->formulas()[1].code);
        QCOMPARE(f.session->result(1).hits, f.session->result(2).hits);
        QCOMPARE(f.session->undoDescription(), u"撤销修改公式 1"_s);
        QVERIFY(f.reopen());
        QCOMPARE(f.session->formulas()[0].code, f.session->formulas()[1].code);
        QVERIFY(f.session->editFormula(1, u"[D单特类]特码数+1"_s).wait());
        QVERIFY(f.session->undo().wait());
        QVERIFY(f.reopen());
        QCOMPARE(f.session->formulas()[0].code, f.session->formulas()[1].code);
        QVERIFY(f.session->formulas()[0].code != QString());
        QCOMPARE(f.session->result(1).hits, f.session->result(2).hits);
        QVERIFY(before.hits != f.session->result(1).hits ||
                before.predicted != f.session->result(1).predicted);
    }

    // A refusal and a failure reach the log with their time and cause.
    void failuresAreLogged() {
        Fixture f;
        ProgramLog::install(f.dir.path(), true);
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)));
        QVERIFY(!f.addDraw({1, 1, 2, 3, 4, 5, 6}));
        QVERIFY(f.exec(
            u"CREATE TRIGGER refuse BEFORE INSERT ON Lishi0 BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s));
        const auto failed = f.addDraw({1, 2, 3, 4, 5, 6, 7});
        QVERIFY(!failed);
        QFile log(ProgramLog::path(f.dir.path()));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(text.contains(u"重复"_s), qPrintable(text));
        QVERIFY2(text.contains(failed.error().shown()), qPrintable(text));
        QVERIFY2(failed.error().shown().contains(u"disk full"_s), qPrintable(failed.error().shown()));
        ProgramLog::install(QString(), true);
    }
};

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
