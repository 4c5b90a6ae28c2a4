// What the formula workbench shows: the preview of a typed formula, its recent record, and the
// undo of the last destructive change.
#include "SessionFixture.h"
#include "SqlHelper.h"
#include "evaluation/FormulaStatistics.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;
using namespace talven::test;

namespace {

// Every row of every table, in key order: what the database holds, whatever the row ids.
QStringList contents(const QString& dbPath) {
    const SqlConnection db(dbPath);
    QStringList out;
    for (const QString& table :
         db.rows(u"SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name"_s))
        for (const QString& row : db.rows(u"SELECT * FROM %1 ORDER BY 1, 2"_s.arg(table)))
            out.append(table + u'|' + row);
    return out;
}

// What the lists show: every formula with its figures, result and selection, and every draw.
QStringList shown(const Session& s) {
    QStringList out;
    for (size_t i = 0; i < s.formulas().size(); ++i) {
        const FormulaRow& f = s.formulas()[i];
        const FormulaResult& r = s.result(static_cast<int>(i) + 1);
        out.append(u"%1 %2 %3 %4 %5 %6 %7"_s.arg(f.idx)
                       .arg(f.code)
                       .arg(f.kind)
                       .arg(f.kill)
                       .arg(r.figures.accuracyText(static_cast<int>(s.draws().size())), r.nextText)
                       .arg(s.selection()[i]));
    }
    for (const DrawValues& d : s.draws())
        out.append(QString::number(d[DrawColumns::QQH]));
    return out;
}

const QByteArray manyFormulas = [] {
    QByteArray file;
    for (int i = 0; i < 55; ++i)
        file += "[D单特类]特码数+" + QByteArray::number(i) + "\n";
    return file;
}();

} // namespace

class TestWorkbench : public QObject {
    Q_OBJECT

private slots:
    // The preview's figures are those the formula gets once stored, whatever its kind and sense.
    void previewEqualsTheStoredFormula_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("kill");
        for (int kind = 0; kind < FormulaKindCount; ++kind)
            for (bool kill : {true, false})
                QTest::addRow("kind %d %s", kind, kill ? "kill" : "keep")
                    << u"[L单特类]平码一+特码数*%1"_s.arg(kind + 1) << kind << kill;
        QTest::newRow("division by zero") << u"L1A/(L2A-L2A)"_s << 0 << true;
    }
    void previewEqualsTheStoredFormula() {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(bool, kill);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt")).ok());
        const FormulaPreview preview = f.session->previewFormula(text, static_cast<FormulaKind>(kind), kill);
        QVERIFY(!preview.refusal);
        QVERIFY(f.addFormula(text, kind, kill));
        const FormulaResult& stored = f.session->result(1);
        QCOMPARE(preview.result.figures, stored.figures);
        QCOMPARE(preview.result.nextText, stored.nextText);
        QCOMPARE(preview.result.error, stored.error);
        QCOMPARE(preview.code, f.session->formulas().front().code);
    }

    void refusedPreviewMarksTheFault() {
        Fixture f;
        QVERIFY(f.reopen());
        const FormulaPreview p =
            f.session->previewFormula(u"[D单特类]平码一+(特码数"_s, FormulaKind::SpecialNumber, true);
        QVERIFY(p.refusal);
        QCOMPARE(p.refusal->position, 10); // the bracket that is never closed, as typed
        QVERIFY(f.session->formulas().empty());
    }

    // The recent figures and the record strip count exactly the stored hit flags, also when the
    // history is shorter than the window.
    void recentRecordMatchesTheStoredFlags_data() {
        QTest::addColumn<QByteArray>("lines");
        QTest::newRow("seven draws") << history;
        QTest::newRow("the samples") << QByteArray();
    }
    void recentRecordMatchesTheStoredFlags() {
        QFETCH(QByteArray, lines);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(lines.isEmpty() ? QStringLiteral(TALVEN_SOURCE_DIR "/samples/history.txt")
                                                : f.write(u"h.txt"_s, lines))
                    .ok());
        QVERIFY(f.addFormula(u"[L生肖类]平一肖+总期数"_s, 1, true));
        const QList<int> flags = SqlConnection(f.dbPath()).integers(u"SELECT GS1 FROM Lishi0 ORDER BY QQH"_s);
        const auto& hits = f.session->result(1).hits;
        for (int window : {10, 30, 100}) {
            const int judged = std::min(window, int(flags.size()) - 1);
            const int counted = int(std::count(flags.end() - judged, flags.end(), 1));
            const RecentAccuracy recent = recentAccuracy(hits, window);
            QCOMPARE(recent.draws, judged);
            QCOMPARE(recent.hits, counted);
            const HitHistory strip = hitHistory(hits, window);
            QCOMPARE(int(strip.hits.size()), judged);
            QCOMPARE(int(std::count(strip.hits.begin(), strip.hits.end(), true)), counted);
            QCOMPARE(strip.firstDraw, int(flags.size()) - judged);
            if (judged > 0)
                QCOMPARE(strip.currentRun.hit, flags.last() != 0);
        }
    }

    // An append that finds nothing new changes nothing and keeps the earlier undo.
    void appendOfNothingKeepsTheUndo() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        const QString undo = f.session->undoDescription();
        QVERIFY(!undo.isEmpty());
        const auto appended = f.session->appendHistory(f.write(u"h2.txt"_s, history)).wait();
        QVERIFY(appended.ok());
        QCOMPARE(appended->stored, 0);
        QCOMPARE(f.session->undoDescription(), undo);
    }

    // Each undo gives back what the database held and the lists showed before the change.
    void undoRestoresEverything_data() {
        QTest::addColumn<QString>("change");
        QTest::newRow("formula deleted") << u"delete-formula"_s;
        QTest::newRow("last draw deleted") << u"delete-draw"_s;
        QTest::newRow("history imported") << u"import-history"_s;
        QTest::newRow("formula file imported") << u"import-formulas"_s;
        QTest::newRow("one draw appended") << u"append-1"_s;
        QTest::newRow("draws appended") << u"append-3"_s;
    }
    void undoRestoresEverything() {
        QFETCH(QString, change);
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QVERIFY(f.importFormulas(f.write(u"f.txt"_s, manyFormulas.left(manyFormulas.size() / 2)), true).ok());
        f.session->setSelected(3, false);
        const QStringList before = contents(f.dbPath());
        const QStringList lists = shown(*f.session);
        if (change == u"delete-formula"_s)
            QVERIFY(f.deleteFormula(3));
        else if (change == u"delete-draw"_s)
            QVERIFY(f.deleteLastDraw());
        else if (change == u"import-history"_s)
            QVERIFY(f.importHistory(f.write(u"h2.txt"_s, "2030001 01 02 03 04 05 06 07\n")).ok());
        else if (change.startsWith(u"append"_s)) {
            const QByteArray newer = "2026006 01 12 23 34 45 46 47\n2026007 02 13 24 35 36 47 48\n"
                                     "2026008 03 14 25 26 37 48 49\n";
            const int count = change.back().digitValue();
            const auto appended =
                f.session->appendHistory(f.write(u"h2.txt"_s, history + newer.left(count * 29))).wait();
            QVERIFY(appended.ok());
            QCOMPARE(appended->stored, count);
            QCOMPARE(f.session->undoDescription(), u"撤销追加新开奖"_s);
        } else
            QVERIFY(f.importFormulas(f.write(u"f2.txt"_s, manyFormulas), false).ok()); // into a second table
        QVERIFY(!f.session->undoDescription().isEmpty());
        QVERIFY(contents(f.dbPath()) != before);
        QVERIFY(f.session->undo().wait());
        QCOMPARE(shown(*f.session), lists);
        QCOMPARE(contents(f.dbPath()), before);
        QVERIFY(f.session->undoDescription().isEmpty()); // one level
    }

    void laterChangesEndTheOffer() {
        Fixture f;
        QVERIFY(f.reopen());
        QVERIFY(!f.session->undo().wait().ok()); // nothing to undo yet
        QVERIFY(f.importHistory(f.write(u"h.txt"_s, history)).ok());
        QVERIFY(f.addFormula(u"[D单特类]特码数+1"_s, 0, true));
        QVERIFY(f.deleteFormula(1));
        QCOMPARE(f.session->undoDescription(), u"撤销删除公式 1"_s);
        QVERIFY(!f.deleteFormula(7).ok()); // a refused change changes nothing and keeps the offer
        QVERIFY(!f.session->undoDescription().isEmpty());
        // Settings read only at the next start change no data: the offer stays.
        QVERIFY(f.session->setOption(OptionKey::ZodiacByOrder, f.session->options().sxSetup ? 0 : 1).wait());
        QVERIFY(f.session->setOption(OptionKey::LargestNumber, 50).wait());
        QCOMPARE(f.session->undoDescription(), u"撤销删除公式 1"_s);
        QVERIFY(f.addDraw({1, 2, 3, 4, 5, 6, 7}));
        QVERIFY(f.session->undoDescription().isEmpty());
        QVERIFY(f.deleteLastDraw());
        // Another program's change: the offer was made for a database that is no longer there.
        QSettings other(f.dir.filePath(u"other.ini"_s), QSettings::IniFormat);
        auto elsewhere = Session::open(f.dir.path(), other);
        QVERIFY(elsewhere.ok());
        QVERIFY(
            elsewhere.value()->addFormula(u"[D单特类]特码数+2"_s, FormulaKind::SpecialNumber, true).wait());
        QVERIFY(f.session->reload().wait());
        QVERIFY(f.session->undoDescription().isEmpty());
        QCOMPARE(f.session->draws().size(), size_t(7));
    }
};

QTEST_GUILESS_MAIN(TestWorkbench)
#include "tst_workbench.moc"
