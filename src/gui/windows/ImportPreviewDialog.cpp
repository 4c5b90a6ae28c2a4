#include "windows/ImportPreviewDialog.h"

#include "common/ShownText.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace talven {

namespace {

QString drawLine(const ImportPreview::ShownDraw& d) {
    return u"%1  %2"_s.arg(d.period).arg(ImportPreview::numbersText(d.numbers));
}

} // namespace

QString previewSummary(const ImportPreview& p) {
    QStringList text{u"文件：%1"_s.arg(shownText(QDir::toNativeSeparators(p.path))),
                     u"格式：%1"_s.arg(p.form)};
    if (!p.sourceName.isEmpty())
        text.append(u"读入：%1"_s.arg(p.sourceName));
    if (p.notHistory)
        text.append(u"此文件不像历史号码文件：%1 行中有 %2 行无法读入，只能读入 %3 期。"_s.arg(p.lines)
                        .arg(p.skipped.size())
                        .arg(p.fileDraws));
    QString replace = u"替换历史将读入 %1 期历史号码，替换原有的 %2 期"_s.arg(p.fileDraws).arg(p.storedCount);
    if (p.replaceDrops > 0) {
        QStringList periods;
        for (const int period : p.droppedPeriods)
            periods.append(QString::number(period));
        if (p.replaceDrops > p.droppedPeriods.size())
            periods.append(u"……"_s);
        replace += u"；原有历史中有 %1 期不在此文件中，将被删除（%2）"_s.arg(p.replaceDrops)
                       .arg(periods.join(u'、'));
    }
    text.append(replace + u"。"_s);
    if (!p.appendRefusal)
        text.append(u"追加新开奖将追加 %1 期，原有 %2 期不变。"_s.arg(p.appendCount).arg(p.storedCount));
    else
        text.append(u"无法追加新开奖：%1"_s.arg(p.appendRefusal->message));
    text.append(p.warnings);
    const int total = p.fileDraws;
    if (!p.firstAndLast.isEmpty())
        text.append(p.firstAndLast.size() < total ? u"最早三期与最新三期（期号、平码 + 特码）："_s
                                                  : u"各期（期号、平码 + 特码）："_s);
    for (qsizetype i = 0; i < p.firstAndLast.size(); ++i) {
        if (i == 3 && p.firstAndLast.size() < total)
            text.append(u"  ……"_s);
        text.append(u"  "_s + drawLine(p.firstAndLast[i]));
    }
    return text.join(u'\n');
}

QString previewQuestion(const ImportPreview& p) {
    if (p.notHistory)
        return u"此文件的大部分行不是历史号码。点击'仍然替换'将用读出的 %1 期替换原有的 %2 期历史号码，"
               u"点击'取消'放弃该操作。"_s.arg(p.fileDraws)
                   .arg(p.storedCount);
    QString question =
        p.storedCount == 0
            ? u"确实要读入历史号码吗？点击'替换历史'读入,点击'取消'放弃该操作。读取时可能要花费一段时间,请耐心等候！"_s
            : u"确实要读入历史号码吗？读入后将覆盖原来所输入/读入的历史号！点击'替换历史'读入,点击'取消'"
              u"放弃该操作。读取时可能要花费一段时间,请耐心等候！"_s;
    if (p.appendAdds())
        question += u"点击'追加新开奖'则只追加 %1 期新开奖，原有历史号码不变。"_s.arg(p.appendCount);
    return question;
}

ImportPreviewDialog::ImportPreviewDialog(const ImportPreview& preview, QWidget* parent) : QDialog(parent) {
    setWindowTitle(u"读入历史"_s);
    setObjectName(u"importPreview"_s);
    auto* layout = new QVBoxLayout(this);
    auto* summary = new QLabel(previewSummary(preview), this);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary->setFont(QFont(u"monospace"_s));
    // Long lines (a path, a warning) wrap rather than widen the dialog past a small screen.
    summary->setWordWrap(true);
    layout->addWidget(summary);

    layout->addWidget(new QLabel(preview.skipped.isEmpty()
                                     ? u"每一行都能读入。"_s
                                     : u"有 %1 行不能读入："_s.arg(preview.skipped.size()),
                                 this));
    if (!preview.skipped.isEmpty()) {
        QStringList lines;
        // Twenty lines, then a count per reason: a file of other lines does not bury the choice.
        lines = preview.skippedSummary;
        auto* skipped = new QPlainTextEdit(lines.join(u'\n'), this);
        skipped->setReadOnly(true);
        skipped->setLineWrapMode(QPlainTextEdit::NoWrap);
        layout->addWidget(skipped, 1);
    }

    auto* question = new QLabel(previewQuestion(preview), this);
    question->setWordWrap(true);
    layout->addWidget(question);
    if (preview.skipped.isEmpty())
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
    QPushButton* replace = nullptr;
    if (preview.notHistory) {
        replace = add(u"仍然替换"_s, ImportChoice::ForceReplace, QDialogButtonBox::DestructiveRole);
    } else {
        replace = add(u"替换历史"_s, ImportChoice::Replace, QDialogButtonBox::AcceptRole);
        QPushButton* append = add(u"追加新开奖"_s, ImportChoice::Append, QDialogButtonBox::AcceptRole);
        append->setObjectName(u"append"_s);
        append->setEnabled(preview.appendAdds());
        // Nothing newer than the stored history: the button says so instead of adding nothing.
        if (!preview.appendRefusal && preview.appendCount == 0)
            append->setText(u"没有新开奖"_s);
    }
    replace->setObjectName(u"replace"_s);
    QPushButton* cancel = add(u"取消"_s, ImportChoice::Cancel, QDialogButtonBox::RejectRole);
    cancel->setObjectName(u"cancel"_s);
    // Enter must never replace a stored history: while there is one, 取消 is the default and
    // no other button becomes it by taking the focus.
    QPushButton* safe = preview.storedCount > 0 || preview.notHistory ? cancel : replace;
    for (QAbstractButton* b : buttons->buttons())
        static_cast<QPushButton*>(b)->setAutoDefault(b == safe);
    safe->setDefault(true);
    safe->setFocus();
    layout->addWidget(buttons);
    resize(620, 520);
}

} // namespace talven
