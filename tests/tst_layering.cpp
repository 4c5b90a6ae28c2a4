// Every source file includes only its own layer and the layers its library declares in
// CMakeLists.txt; only the store reaches SQLite, and the programs never include the store or the
// history reader.
#include <QDirIterator>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

class TestLayering : public QObject {
    Q_OBJECT

    // Layer -> the layers it may include, as CMakeLists.txt declares them ("store:common,lottery ...").
    static QHash<QString, QSet<QString>> declaredLayers() {
        QHash<QString, QSet<QString>> layers;
        for (const QString& entry : QStringLiteral(TALVEN_LAYERS).split(u' ', Qt::SkipEmptyParts)) {
            const QString name = entry.section(u':', 0, 0);
            QSet<QString> allowed{name};
            for (const QString& dep : entry.section(u':', 1).split(u',', Qt::SkipEmptyParts))
                allowed.insert(dep);
            layers.insert(name, allowed);
        }
        return layers;
    }

    // "X" of every #include "X/…" and whether <sqlite3.h> is included.
    static std::pair<QStringList, bool> includesOf(const QString& path) {
        static const QRegularExpression quoted(u"^\\s*#\\s*include\\s*\"([A-Za-z_]+)/"_s,
                                               QRegularExpression::MultilineOption);
        static const QRegularExpression sqlite(u"^\\s*#\\s*include\\s*<sqlite3\\.h>"_s,
                                               QRegularExpression::MultilineOption);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(file.readAll());
        QStringList folders;
        for (auto it = quoted.globalMatch(text); it.hasNext();)
            folders.append(it.next().captured(1));
        return {folders, sqlite.match(text).hasMatch()};
    }

private slots:
    void includesFollowTheLayers() {
        const QHash<QString, QSet<QString>> layers = declaredLayers();
        QVERIFY(layers.size() >= 8);
        const QString src = QStringLiteral(TALVEN_SOURCE_DIR "/src/");
        QStringList faults;
        int files = 0;
        for (QDirIterator it(src, {u"*.h"_s, u"*.cpp"_s}, QDir::Files, QDirIterator::Subdirectories);
             it.hasNext();) {
            const QString path = it.next();
            const QString rel = path.mid(src.size());
            const QStringList parts = rel.split(u'/');
            ++files;
            QSet<QString> allowed;
            QString layer;
            if (parts.first() == u"core"_s) {
                layer = parts.value(1);
                if (!layers.contains(layer)) {
                    faults.append(rel + u": folder not declared as a layer"_s);
                    continue;
                }
                allowed = layers.value(layer);
            } else {
                // The programs sit above every core layer but the store and the history reader,
                // which they reach only through the session; the window code may use its own folders.
                for (const QSet<QString>& l : layers)
                    allowed.unite(l);
                allowed.remove(u"store"_s);
                allowed.remove(u"history"_s);
                if (parts.first() == u"gui"_s)
                    for (const QString& folder :
                         QDir(src + u"gui"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                        allowed.insert(folder);
            }
            const auto [folders, sqlite] = includesOf(path);
            for (const QString& folder : folders)
                if (!allowed.contains(folder))
                    faults.append(u"%1 includes %2/"_s.arg(rel, folder));
            if (sqlite && layer != u"store"_s)
                faults.append(rel + u" includes sqlite3.h outside the store"_s);
        }
        QVERIFY(files > 50);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestLayering)
#include "tst_layering.moc"
