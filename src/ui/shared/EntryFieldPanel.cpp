#include "ui/shared/EntryFieldPanel.h"

#include "entries/EntryFields.h"
#include "entries/MgrLockvexItems.h"

#include "platform/Platform.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/LockvexStyle.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QToolButton>
#include <QVBoxLayout>

using namespace LockvexStyle;

namespace
{

// The characters the data file stores of a text.
int StoredWidth(const char *name)
{
    for (const EntryTextField &field : EntryTextFields)
        if (qstrcmp(field.Name, name) == 0)
            return field.StoredWidth;
    return 0;
}

const QString PasswordHint =
    QStringLiteral("Passwords should be 10+ characters long, mixed upper and lower case aplha plus numerics");
const QString PasswordLblHint =
    QStringLiteral("Left click to generate random password, right click to restore original password");
const QString EntryPWHint = QStringLiteral("If no passwords are checked all can be used to log in. otherwise only "
                                           "checked passwords are used for lo in.");

// A quality indicator: a coloured disc with a mark, weak "!", could be better "~", ok a tick.
QIcon IndicatorIcon(const QColor &colour, const QString &objectName, int size)
{
    const qreal ratio = 2.0;
    QPixmap pixmap(QSize(size, size) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(1, 1, size - 2, size - 2);
    p.setPen(QPen(colour.darker(130), 1));
    p.setBrush(colour);
    p.drawEllipse(disc);
    p.setPen(QPen(Qt::white, size * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const qreal s = size;
    if (objectName == QLatin1String("PWOKBtn")) {
        QPolygonF tick;
        tick << QPointF(s * 0.28, s * 0.52) << QPointF(s * 0.44, s * 0.68) << QPointF(s * 0.72, s * 0.36);
        p.drawPolyline(tick);
    } else if (objectName == QLatin1String("PWSoSoBtn")) {
        p.drawLine(QPointF(s * 0.3, s * 0.5), QPointF(s * 0.7, s * 0.5));
    } else {
        p.drawLine(QPointF(s * 0.5, s * 0.26), QPointF(s * 0.5, s * 0.56));
        p.drawPoint(QPointF(s * 0.5, s * 0.74));
    }
    return QIcon(pixmap);
}

QLabel *Caption(const QString &text, const char *name, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    SetRole(label, "caption");
    return label;
}

// Copying out of a box that holds a secret (Ctrl+C, Ctrl+X, the context menu's Copy and Cut) goes
// through the program's clipboard routine, as the Copy buttons do, so the copy carries the mark
// that keeps it out of clipboard managers' history.
class TSecretCopy : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *edit = qobject_cast<QLineEdit *>(watched);
        if (edit == nullptr)
            return false;
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            if (key->matches(QKeySequence::Copy)) {
                Copy(edit, false);
                return true;
            }
            if (key->matches(QKeySequence::Cut)) {
                Copy(edit, true);
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu) {
            QMenu *menu = edit->createStandardContextMenu();
            for (QAction *action : menu->actions()) {
                const bool cut = IsMenuAction(action, "edit-cut", "Cu&t");
                if (!cut && !IsMenuAction(action, "edit-copy", "&Copy"))
                    continue;
                action->disconnect(edit); // the box's own copy, which would leave the mark out
                connect(action, &QAction::triggered, edit, [this, edit, cut] { Copy(edit, cut); });
            }
            menu->exec(static_cast<QContextMenuEvent *>(event)->globalPos());
            delete menu;
            return true;
        }
        return false;
    }

private:
    // The box's menu names its actions in newer Qt versions; their texts (as the box translates
    // them) tell them apart in all.
    static bool IsMenuAction(const QAction *action, const char *name, const char *text)
    {
        return action->objectName() == QLatin1String(name) ||
               action->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr(text);
    }

    static void Copy(QLineEdit *edit, bool cut)
    {
        if (!edit->hasSelectedText() || edit->echoMode() != QLineEdit::Normal)
            return;
        platform::Current().SetClipboardText(edit->selectedText());
        if (cut && !edit->isReadOnly())
            edit->del();
    }
};

} // namespace

TEntryFieldPanel::TEntryFieldPanel(QWidget *parent, double scale) : QWidget(parent), scale_(scale)
{
    setObjectName(QStringLiteral("EntryFieldPanel"));

    ItemName = AddLineEdit("ItemName");
    URL = AddLineEdit("URL");
    CustID = AddLineEdit("CustID");
    PIN = AddLineEdit("PIN");
    Password = AddLineEdit("Password");
    Password->setToolTip(PasswordHint);
    Question1 = AddLineEdit("Question1");
    Question2 = AddLineEdit("Question2");
    Question3 = AddLineEdit("Question3");
    Question4 = AddLineEdit("Question4");
    MemData1 = AddLineEdit("MemData1");
    MemData2 = AddLineEdit("MemData2");
    MemData3 = AddLineEdit("MemData3");
    MemData4 = AddLineEdit("MemData4");

    ItemNameLbl = Caption(QStringLiteral("Website Name"), "ItemNameLbl", this);
    URLLbl = Caption(QStringLiteral("Website address"), "URLLbl", this);
    CustIDLbl = Caption(QStringLiteral("Customer ID"), "CustIDLbl", this);
    PINLbl = Caption(QStringLiteral("PIN"), "PINLbl", this);
    PasswordLbl = Caption(QStringLiteral("Password"), "PasswordLbl", this);
    PasswordLbl->setToolTip(PasswordLblHint);
    PasswordLbl->setCursor(Qt::PointingHandCursor);

    CustIDCopyBtn = AddCopyButton("CustIDCopyBtn");
    PINCopyBtn = AddCopyButton("PINCopyBtn");
    PasswordCopyBtn = AddCopyButton("PasswordCopyBtn");
    Ans1CopyBtn = AddCopyButton("Ans1CopyBtn");
    Ans2CopyBtn = AddCopyButton("Ans2CopyBtn");
    Ans3CopyBtn = AddCopyButton("Ans3CopyBtn");
    Ans4CopyBtn = AddCopyButton("Ans4CopyBtn");

    PWBadBtn = AddIndicator("PWBadBtn", QStringLiteral("Password weak. Recommend change."), QStringLiteral("weak"),
                            Colour::QualityWeak);
    PWSoSoBtn = AddIndicator("PWSoSoBtn", QStringLiteral("Password quality could be better"),
                             QStringLiteral("could be better"), Colour::QualitySoSo);
    PWOKBtn = AddIndicator("PWOKBtn", QStringLiteral("Password quality ok"), QStringLiteral("ok"), Colour::QualityOK);

    EntryPWChckBox = new QCheckBox(QStringLiteral("Lockvex login"), this);
    EntryPWChckBox->setObjectName(QStringLiteral("EntryPWChckBox"));
    EntryPWChckBox->setToolTip(EntryPWHint);

    ItemDescrLbl = Caption(QStringLiteral("Notes"), "ItemDescrLbl", this);
    ItemDescr = new QPlainTextEdit(this);
    ItemDescr->setObjectName(QStringLiteral("ItemDescr"));
    ItemDescr->setTabChangesFocus(true);
    ItemDescr->setMinimumHeight(Px(70, scale));
    ItemDescrLbl->setBuddy(ItemDescr);

    // Each box is named by its caption for assistive tools (the address caption also shows the
    // last login for a moment, so the names are set here rather than read from the captions).
    const std::pair<QLineEdit *, QString> names[] = {
        {ItemName, QStringLiteral("Website Name")}, {URL, QStringLiteral("Website address")},
        {CustID, QStringLiteral("Customer ID")},    {PIN, QStringLiteral("PIN")},
        {Password, QStringLiteral("Password")},
    };
    for (const auto &[edit, name] : names)
        edit->setAccessibleName(name);
    const std::pair<QLabel *, QLineEdit *> buddies[] = {
        {ItemNameLbl, ItemName}, {URLLbl, URL}, {CustIDLbl, CustID}, {PINLbl, PIN}, {PasswordLbl, Password}};
    for (const auto &[label, edit] : buddies)
        label->setBuddy(edit);
    ItemDescr->setAccessibleName(QStringLiteral("Notes"));
    auto *secretCopy = new TSecretCopy(this);
    for (QLineEdit *secret : {PIN, Password, MemData1, MemData2, MemData3, MemData4})
        secret->installEventFilter(secretCopy);
    connect(ItemDescr, &QPlainTextEdit::textChanged, this, [this] { KeepNotesWithinCapacity(); });

    // Upper part: a caption column, the boxes, the Copy buttons, then the window's own places.
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(Px(SmallGap + 2, scale));
    grid->setVerticalSpacing(Px(SmallGap, scale));
    grid->setColumnStretch(1, 1);
    besideName_ = new QHBoxLayout;
    besideURL_ = new QHBoxLayout;
    besidePassword_ = new QHBoxLayout;
    checkBoxRow_ = new QHBoxLayout;
    for (QHBoxLayout *place : {besideName_, besideURL_, besidePassword_, checkBoxRow_})
        place->setSpacing(Px(SmallGap, scale));

    grid->addWidget(ItemNameLbl, 0, 0);
    grid->addWidget(ItemName, 0, 1);
    grid->addLayout(besideName_, 0, 2, 1, 2);
    grid->addWidget(URLLbl, 1, 0);
    grid->addWidget(URL, 1, 1);
    grid->addLayout(besideURL_, 1, 2, 1, 2);
    grid->addWidget(CustIDLbl, 2, 0);
    grid->addWidget(CustID, 2, 1);
    grid->addWidget(CustIDCopyBtn, 2, 2);
    grid->addWidget(PINLbl, 3, 0);
    grid->addWidget(PIN, 3, 1);
    grid->addWidget(PINCopyBtn, 3, 2);
    grid->addWidget(PasswordLbl, 4, 0);
    grid->addWidget(Password, 4, 1);
    grid->addWidget(PasswordCopyBtn, 4, 2);

    // The three indicators stand in one place of fixed width: one shows at a time.
    auto *indicators = new QWidget(this);
    indicators->setObjectName(QStringLiteral("QualityPlace"));
    auto *indicatorRow = new QHBoxLayout(indicators);
    indicatorRow->setContentsMargins(0, 0, 0, 0);
    for (QToolButton *indicator : {PWBadBtn, PWSoSoBtn, PWOKBtn})
        indicatorRow->addWidget(indicator);
    indicators->setFixedWidth(Px(26, scale));
    besidePassword_->addWidget(indicators);
    grid->addLayout(besidePassword_, 4, 3);

    checkBoxRow_->addWidget(EntryPWChckBox);
    checkBoxRow_->addStretch(1);
    grid->addLayout(checkBoxRow_, 5, 1, 1, 3);

    // Memorable data: the questions in one column, their answers with Copy buttons beside them.
    auto *memorable = new QGridLayout;
    memorable->setHorizontalSpacing(Px(SmallGap + 2, scale));
    memorable->setVerticalSpacing(Px(SmallGap, scale));
    memorable->setColumnStretch(0, 1);
    memorable->setColumnStretch(2, 1);
    QLineEdit *questions[] = {Question1, Question2, Question3, Question4};
    QLineEdit *answers[] = {MemData1, MemData2, MemData3, MemData4};
    QPushButton *copies[] = {Ans1CopyBtn, Ans2CopyBtn, Ans3CopyBtn, Ans4CopyBtn};
    for (int i = 0; i < 4; ++i) {
        auto *question = Caption(QStringLiteral("Memorable Data"), "", this);
        question->setObjectName(QStringLiteral("Question%1Lbl").arg(i + 1));
        auto *answer = Caption(QStringLiteral("Answer %1").arg(i + 1), "", this);
        answer->setObjectName(QStringLiteral("MemData%1Lbl").arg(i + 1));
        const int row = i * 2;
        memorable->addWidget(question, row, 0);
        memorable->addWidget(answer, row, 2);
        memorable->addWidget(questions[i], row + 1, 0, 1, 2);
        memorable->addWidget(answers[i], row + 1, 2);
        memorable->addWidget(copies[i], row + 1, 3);
        question->setBuddy(questions[i]);
        answer->setBuddy(answers[i]);
        questions[i]->setAccessibleName(QStringLiteral("Memorable Data %1").arg(i + 1));
        answers[i]->setAccessibleName(answer->text());
        copies[i]->setAccessibleName(QStringLiteral("Copy answer %1").arg(i + 1));
    }
    CustIDCopyBtn->setAccessibleName(QStringLiteral("Copy customer ID"));
    PINCopyBtn->setAccessibleName(QStringLiteral("Copy PIN"));
    PasswordCopyBtn->setAccessibleName(QStringLiteral("Copy password"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Px(Gap, scale));
    column->addLayout(grid);
    auto *rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("FieldRule"));
    rule->setFixedHeight(1);
    rule->setStyleSheet(Sheet(QStringLiteral("background: @Rule; border: none;")));
    column->addWidget(rule);
    column->addLayout(memorable);
    auto *notes = new QVBoxLayout;
    notes->setSpacing(Px(3, scale));
    notes->addWidget(ItemDescrLbl);
    notes->addWidget(ItemDescr, 1);
    column->addLayout(notes, 1);

    // The order the eye reads the panel in: each Copy button right after its box.
    QWidget *const order[] = {
        ItemName,       URL,         CustID,    CustIDCopyBtn, PIN,         PINCopyBtn, Password,    PasswordCopyBtn,
        EntryPWChckBox, Question1,   MemData1,  Ans1CopyBtn,   Question2,   MemData2,   Ans2CopyBtn, Question3,
        MemData3,       Ans3CopyBtn, Question4, MemData4,      Ans4CopyBtn, ItemDescr};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLineEdit *TEntryFieldPanel::AddLineEdit(const char *name)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(StoredWidth(name));
    return edit;
}

QPushButton *TEntryFieldPanel::AddCopyButton(const char *name)
{
    auto *button = new QPushButton(QStringLiteral("Copy"), this);
    button->setObjectName(QString::fromLatin1(name));
    // Reached by Tab right after its box; a click leaves the focus where the user works.
    button->setFocusPolicy(Qt::TabFocus);
    button->setAutoDefault(false); // Return in a box of a dialog does not copy
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QToolButton *TEntryFieldPanel::AddIndicator(const char *name, const QString &hint, const QString &quality,
                                            const QColor &colour)
{
    auto *indicator = new QToolButton(this);
    indicator->setObjectName(QString::fromLatin1(name));
    indicator->setToolTip(hint);
    indicator->setAccessibleName(QStringLiteral("Password quality: ") + quality);
    indicator->setAutoRaise(true);
    indicator->setFocusPolicy(Qt::NoFocus);
    const int size = Px(18, scale_);
    indicator->setIcon(IndicatorIcon(colour, indicator->objectName(), size));
    indicator->setIconSize(QSize(size, size));
    indicator->setStyleSheet(QStringLiteral("QToolButton { border: none; background: transparent; }"));
    indicator->hide();
    return indicator;
}

// The boxes are found by the fields' names, so the panel never lists the fourteen texts again.
QWidget *TEntryFieldPanel::Editor(const EntryTextField &field) const
{
    return findChild<QWidget *>(QString::fromLatin1(field.Name));
}

void TEntryFieldPanel::SetFields(const ItemManagerParams &params)
{
    for (const EntryTextField &field : EntryTextFields) {
        QWidget *editor = Editor(field);
        if (auto *edit = qobject_cast<QLineEdit *>(editor))
            edit->setText(params.*field.Member);
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(editor))
            memo->setPlainText(params.*field.Member);
    }
}

void TEntryFieldPanel::GetFields(ItemManagerParams &params) const
{
    for (const EntryTextField &field : EntryTextFields) {
        QWidget *editor = Editor(field);
        if (auto *edit = qobject_cast<QLineEdit *>(editor))
            params.*field.Member = edit->text();
        else if (auto *memo = qobject_cast<QPlainTextEdit *>(editor))
            params.*field.Member = memo->toPlainText();
    }
}

void TEntryFieldPanel::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setReadOnly(readOnly);
    ItemDescr->setReadOnly(readOnly);
    EntryPWChckBox->setEnabled(!readOnly);
    // The style sheet's read-only look follows the property only once the widgets are polished again.
    for (QWidget *widget : findChildren<QWidget *>()) {
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
    }
}

void TEntryFieldPanel::ShowQuality(int score)
{
    PWBadBtn->setVisible(score >= 0 && score <= PWQualityWeakMax);
    PWSoSoBtn->setVisible(score > PWQualityWeakMax && score <= PWQualityCouldBeBetterMax);
    PWOKBtn->setVisible(score > PWQualityCouldBeBetterMax);
}

// A control added to a place comes in the tab order after what stands before it on its line.
static void FollowInTabOrder(QHBoxLayout *place, QWidget *first, QWidget *widget)
{
    QWidget *before = first;
    for (int i = 0; i < place->count(); ++i)
        if (QWidget *placed = place->itemAt(i)->widget();
            placed && placed != widget && placed->focusPolicy() != Qt::NoFocus)
            before = placed;
    QWidget::setTabOrder(before, widget);
}

void TEntryFieldPanel::AddBesideName(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(besideName_, ItemName, widget);
    besideName_->addWidget(widget);
}

void TEntryFieldPanel::AddBesideURL(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(besideURL_, URL, widget);
    besideURL_->addWidget(widget);
}

void TEntryFieldPanel::AddBesidePassword(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(besidePassword_, PasswordCopyBtn, widget);
    besidePassword_->addWidget(widget);
}

void TEntryFieldPanel::AddToCheckBoxRow(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(checkBoxRow_, EntryPWChckBox, widget);
    checkBoxRow_->insertWidget(checkBoxRow_->count() - 1, widget); // before the stretch
}

// Pasted or typed text beyond what the data file keeps is cut here, where the user sees it,
// rather than silently at the save.
void TEntryFieldPanel::KeepNotesWithinCapacity()
{
    const QString text = ItemDescr->toPlainText();
    if (text.size() <= NotesCapacity)
        return;
    // Setting the text calls this again, which then finds it within the capacity.
    ItemDescr->setPlainText(text.left(NotesCapacity));
    ItemDescr->moveCursor(QTextCursor::End);
}
