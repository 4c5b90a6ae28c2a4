#include "history/JsonDraws.h"

#include "common/ShownText.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <optional>

using namespace Qt::StringLiterals;

namespace talven::JsonDraws {

namespace {

bool isListOfObjects(const QJsonValue& value) {
    if (!value.isArray() || value.toArray().isEmpty())
        return false;
    const QJsonArray items = value.toArray();
    return std::all_of(items.begin(), items.end(), [](const QJsonValue& item) { return item.isObject(); });
}

QString scalarText(const QJsonValue& value) {
    switch (value.type()) {
    case QJsonValue::String:
        return value.toString();
    case QJsonValue::Double: {
        const double number = value.toDouble();
        if (number == std::floor(number) && std::abs(number) < 1e15)
            return QString::number(qint64(number));
        return QString::number(number, 'g', 15);
    }
    case QJsonValue::Bool:
        return value.toBool() ? u"true"_s : u"false"_s;
    case QJsonValue::Array: {
        QStringList parts;
        for (const QJsonValue& item : value.toArray())
            parts.append(scalarText(item));
        return parts.join(u',');
    }
    case QJsonValue::Object:
        return QString::fromUtf8(QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact));
    default:
        return {};
    }
}

// The fields of one object as title -> text, a nested object's fields under their own names.
QList<std::pair<QString, QString>> flatten(const QJsonObject& object) {
    QList<std::pair<QString, QString>> fields;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isObject()) {
            fields.append({it.key(), scalarText(it.value())});
            continue;
        }
        const QJsonObject inner = it.value().toObject();
        for (auto in = inner.begin(); in != inner.end(); ++in) {
            const QString title = object.contains(in.key()) ? it.key() + u'.' + in.key() : in.key();
            fields.append({title, scalarText(in.value())});
        }
    }
    return fields;
}

struct Found {
    QString key;
    QJsonArray list;
};

// The longest list of objects among the object's fields, then among its fields' fields.
std::optional<Found> findList(const QJsonObject& object) {
    std::optional<Found> best;
    auto consider = [&](const QString& key, const QJsonValue& value) {
        if (isListOfObjects(value) && (!best || value.toArray().size() > best->list.size()))
            best = Found{key, value.toArray()};
    };
    for (auto it = object.begin(); it != object.end(); ++it)
        consider(it.key(), it.value());
    if (best)
        return best;
    for (auto it = object.begin(); it != object.end(); ++it)
        if (it.value().isObject()) {
            const QJsonObject inner = it.value().toObject();
            for (auto in = inner.begin(); in != inner.end(); ++in)
                consider(in.key(), in.value());
        }
    return best;
}

} // namespace

QString expectedShape() {
    return u"JSON 文件须是一个由开奖记录对象组成的列表，如 [{\"期号\": \"2024001\", \"号码\": [1, 2, 3, 4, "
           u"5, 6], "
           u"\"特码\": 7}, …]，或一个含有这样一个列表的对象"_s;
}

Result<SourceTable> read(const QJsonDocument& document) {
    SourceTable table;
    QJsonArray list;
    if (document.isArray() && isListOfObjects(document.array())) {
        table.name = u"JSON 列表"_s;
        list = document.array();
    } else if (document.isObject()) {
        if (std::optional<Found> found = findList(document.object())) {
            table.name = u"JSON 列表“%1”"_s.arg(shownText(found->key));
            list = found->list;
        }
    }
    if (list.isEmpty()) {
        const QString found = document.isArray() && document.array().isEmpty() ? u"这个 JSON 列表是空的"_s
                              : document.isArray() ? u"这个 JSON 列表的项不是对象"_s
                                                   : u"这个 JSON 文件中没有由对象组成的列表"_s;
        return Error{found + u"。"_s + expectedShape() + u"。"_s};
    }

    QHash<QString, int> columnOf;
    table.rows.append(SourceRow{0, {}}); // the titles, filled as fields turn up
    int number = 0;
    for (const QJsonValue& item : std::as_const(list)) {
        SourceRow row{++number, {}};
        for (const auto& [title, text] : flatten(item.toObject())) {
            auto column = columnOf.constFind(title);
            if (column == columnOf.cend()) {
                column = columnOf.insert(title, int(table.rows.first().cells.size()));
                table.rows.first().cells.append(title);
            }
            if (row.cells.size() <= *column)
                row.cells.resize(*column + 1);
            row.cells[*column] = text;
        }
        while (!row.cells.isEmpty() && row.cells.last().isEmpty())
            row.cells.removeLast();
        table.rows.append(std::move(row));
    }
    return table;
}

} // namespace talven::JsonDraws
