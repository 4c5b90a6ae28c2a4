// Each option is written under its own key with the words settings files already hold, and read
// back into the same field.
#include "store/Settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace talven;

Q_DECLARE_METATYPE(talven::OptionKey)

class TestSettings : public QObject {
    Q_OBJECT
private slots:
    void eachOptionHasItsOwnKey_data() {
        QTest::addColumn<OptionKey>("key");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("stored");
        QTest::newRow("largest number") << OptionKey::LargestNumber << 16 << u"BIT=16"_s;
        QTest::newRow("period year") << OptionKey::PeriodYear << 1 << u"YEAR=True"_s;
        QTest::newRow("element base") << OptionKey::ElementBase << 1 << u"WxIni=1"_s;
        QTest::newRow("wave base") << OptionKey::WaveBase << 1 << u"BsIni=1"_s;
        QTest::newRow("zodiac base") << OptionKey::ZodiacBase << 0 << u"SxIni=0"_s;
        QTest::newRow("segment base") << OptionKey::SegmentBase << 0 << u"DsIni=0"_s;
        QTest::newRow("special plus one") << OptionKey::SpecialPlusOne << 1 << u"MaAddIni=True"_s;
        QTest::newRow("zodiac by order") << OptionKey::ZodiacByOrder << 1 << u"SxSetup=True"_s;
    }
    void eachOptionHasItsOwnKey() {
        QFETCH(OptionKey, key);
        QFETCH(int, value);
        QFETCH(QString, stored);
        Options changed;
        changed.setValue(key, value);
        for (const OptionKey other : optionKeys)
            QCOMPARE(changed.value(other), other == key ? value : Options().value(other));

        QTemporaryDir dir;
        const QString path = dir.filePath(u"s.ini"_s);
        {
            QSettings store(path, QSettings::IniFormat);
            QVERIFY(Settings(store).save(key, changed));
        }
        QSettings store(path, QSettings::IniFormat);
        QCOMPARE(Settings(store).load(), changed);
        const QString name = stored.section(u'=', 0, 0);
        QCOMPARE(store.value(u"IniSetting/"_s + name).toString(), stored.section(u'=', 1));
        QCOMPARE(Settings::keyNamed(name), std::optional(key));
        QCOMPARE(Settings::parse(key, stored.section(u'=', 1)).value(), value);
    }

    // A store that cannot be written says so with QSettings' own status as the cause.
    void failedSaveSaysWhy() {
        QTemporaryDir dir;
        QFile blocker(dir.filePath(u"file"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings store(dir.filePath(u"file/s.ini"_s), QSettings::IniFormat);
        const auto saved = Settings(store).save(OptionKey::LargestNumber, Options());
        QVERIFY(!saved);
        QCOMPARE(saved.message(), u"无法保存设置"_s);
        QVERIFY2(saved.error().cause.contains(u"无法写入"_s), qPrintable(saved.error().cause));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
