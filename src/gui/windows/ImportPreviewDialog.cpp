#include "windows/ImportPreviewDialog.h"

#include "history/HistoryParser.h"
#include "history/HistoryReader.h"
#include "session/ChangeChains.h"
#include "session/Session.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

Result<ImportPreview> previewOfImport(const Session& session, const QString& path) {
    const auto file = HistoryReader::readFile(path, session.nextPeriod().value(), session.options().bit);
    if (!file)
        return file.error();
    ImportPreview preview{path, file.value(), int(session.draws().size()), false, 0, {}, {}};
    if (auto refused = file->refusal(path)) {
        if (refused->code != ErrorCode::NotHistory)
            return *refused;
        preview.notHistory = true;
    }
    const auto newer = file->newerThan(ChangeChains::storedDraws(session.draws()), path);
    if (newer)
        preview.appendCount = int(newer->size());
    else
        preview.appendProblem =
            newer.message() + (newer.error().detail.isEmpty() ? QString() : u"\n"_s + newer.error().detail);
    preview.question =
        u"确实要读入历史号码吗？读入后将覆盖原来所输入/读入的历史号！点击'替换历史'读入,点击'取消'"
        u"放弃该操作。读取时可能要花费一段时间,请耐心等候！"_s;
    return preview;
}

namespace {

QString drawLine(const ParsedDraw& d) {
    return u"%1  %2"_s.arg(d.period).arg(HistoryParser::shownNumbers(d.numbers));
}

} // namespace

QString ImportPreview::summary() const {
    QStringList text{u"文件：%1"_s.arg(QDir::toNativeSeparators(path)), u"格式：%1"_s.arg(file.form)};
    if (notHistory)
        text.append(u"此文件不像历史号码文件：%1 行中有 %2 行无法读入，只能读入 %3 期。"_s.arg(file.lines)
                        .arg(file.skipped.size())
                        .arg(file.draws.size()));
    text.append(
        u"替换历史将读入 %1 期历史号码，替换原有的 %2 期。"_s.arg(file.draws.size()).arg(storedCount));
    if (appendProblem.isEmpty())
        text.append(u"追加新开奖将追加 %1 期，原有 %2 期不变。"_s.arg(appendCount).arg(storedCount));
    else
        text.append(u"无法追加新开奖：%1"_s.arg(appendProblem));
    const QList<ParsedDraw> shown = file.previewDraws();
    if (!shown.isEmpty())
        text.append(shown.size() < file.draws.size() ? u"最早三期与最新三期（期号、平码 + 特码）："_s
                                                     : u"各期（期号、平码 + 特码）："_s);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (i == 3 && shown.size() < file.draws.size())
            text.append(u"  ……"_s);
        text.append(u"  "_s + drawLine(shown[i]));
    }
    return text.join(u'\n');
}

ImportPreviewDialog::ImportPreviewDialog(const ImportPreview& preview, QWidget* parent) : QDialog(parent) {
    setWindowTitle(u"读入历史"_s);
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(preview.summary(), this);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary->setFont(QFont(u"monospace"_s));
    layout->addWidget(summary);

    layout->addWidget(new QLabel(preview.file.skipped.isEmpty()
                                     ? u"每一行都能读入。"_s
                                     : u"有 %1 行不能读入："_s.arg(preview.file.skipped.size()),
                                 this));
    if (!preview.file.skipped.isEmpty()) {
        QStringList lines;
        for (const SkippedLine& s : preview.file.skipped)
            lines.append(u"第 %1 行 %2：%3"_s.arg(s.lineNumber).arg(s.text.left(60), s.reason));
        auto* skipped = new QPlainTextEdit(lines.join(u'\n'), this);
        skipped->setReadOnly(true);
        skipped->setLineWrapMode(QPlainTextEdit::NoWrap);
        layout->addWidget(skipped, 1);
    }

    auto* question = new QLabel(preview.question, this);
    question->setWordWrap(true);
    layout->addWidget(question);
    if (preview.file.skipped.isEmpty())
        layout->addStretch(1); // the room goes below the text, not between its lines

    auto* buttons = new QDialogButtonBox(this);
    auto add = [&](const QString& caption, ImportChoice choice, QDialogButtonBox::ButtonRole role) {
        QPushButton* b = buttons->addButton(caption, role);
        connect(b, &QPushButton::clicked, this, [this, choice] {
            m_choice = choice;
            choice == ImportChoice::Cancel ? reject() : accept();
        });
        return b;
    };
    if (preview.notHistory) {
        add(u"仍然替换"_s, ImportChoice::ForceReplace, QDialogButtonBox::DestructiveRole);
    } else {
        add(u"替换历史"_s, ImportChoice::Replace, QDialogButtonBox::AcceptRole);
        add(u"追加新开奖"_s, ImportChoice::Append, QDialogButtonBox::AcceptRole)
            ->setEnabled(preview.appendProblem.isEmpty());
    }
    add(u"取消"_s, ImportChoice::Cancel, QDialogButtonBox::RejectRole)->setDefault(true);
    layout->addWidget(buttons);
    resize(620, 520);
}

} // namespace talven
