#include "ui/shared/EntryFieldPanel.h"

#include "entries/EntryFields.h"
#include "entries/EntryText.h"
#include "entries/MgrLockvexItems.h"

#include "platform/Platform.h"
#include "ui/shared/Accessibility.h"
#include "ui/shared/LockvexStyle.h"

#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValidator>

#include <algorithm>
#include <functional>

using namespace LockvexStyle;

namespace
{

// A field's place in EntryTextFields, by which the panel holds its controls.
size_t FieldIndex(QString ItemManagerParams::*member)
{
    for (size_t i = 0; i < EntryTextFields.size(); ++i)
        if (EntryTextFields[i].Member == member)
            return i;
    Q_UNREACHABLE();
    return 0;
}

// The fields of the memorable-data rows.
constexpr QString ItemManagerParams::*QuestionFields[] = {&ItemManagerParams::Question1, &ItemManagerParams::Question2,
                                                          &ItemManagerParams::Question3, &ItemManagerParams::Question4};
constexpr QString ItemManagerParams::*AnswerFields[] = {&ItemManagerParams::MemData1, &ItemManagerParams::MemData2,
                                                        &ItemManagerParams::MemData3, &ItemManagerParams::MemData4};

// How long the note about text left out stays up.
constexpr int EntryNoteMs = 8000;
// How long the note that a copy was made (or not) stays up.
constexpr int CopyNoteMs = 3000;

// What of an insertion goes into a box: Fits characters from its start, and why the rest did not
// (empty when it goes in whole).
struct Admitted {
    qsizetype Fits = 0;
    QString Note;
};

QString UnkeptNote(QStringView text, qsizetype at)
{
    const QChar ch = text[at];
    if (ch == u'\n' || ch == u'\r' || ch == QChar::LineSeparator || ch == QChar::ParagraphSeparator)
        return QStringLiteral("Lockvex cannot store line breaks here");
    if (ch == u'\t')
        return QStringLiteral("Lockvex cannot store tabs here");
    if (ch == u';')
        return QStringLiteral("Lockvex stores ; as a new line");
    if (ch.category() == QChar::Other_Control)
        return QStringLiteral("Lockvex cannot store control characters");
    // A character outside the basic plane is shown whole.
    const qsizetype length = ch.isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2 : 1;
    return QStringLiteral("Lockvex cannot store ") + text.mid(at, length).toString();
}

// An insertion with a character the field does not keep is refused whole: a password or an
// answer with a letter quietly dropped would be a different one. Otherwise what fits in the room
// left goes in.
Admitted Admit(QStringView inserted, qsizetype room, int capacity, bool notes)
{
    const qsizetype unkept = FirstUnkeptChar(inserted, notes);
    if (unkept >= 0)
        return {0, UnkeptNote(inserted, unkept)};
    if (inserted.size() <= room)
        return {inserted.size(), QString()};
    const qsizetype fits = std::max<qsizetype>(room, 0);
    const QString most = QStringLiteral("Lockvex stores at most %1 characters here").arg(capacity);
    if (fits == 0)
        return {0, most};
    return {fits, most + QStringLiteral("; %1 characters were left out").arg(inserted.size() - fits)};
}

// Judges every change the user makes to a line box, knowing the text before it: the inserted part
// ends at the cursor. Refusing (Invalid) makes the box undo exactly that change and nothing
// before it; what fits of a long insertion then goes in as an edit of its own, once the box has
// finished with the refused one. Texts set by the program and the steps of undo and redo are
// never judged: they hold what was shown or typed before.
class TBoxValidator : public QValidator
{
public:
    using Notify = std::function<void(QLineEdit *box, const QString &note)>;

    TBoxValidator(QLineEdit *box, int capacity, Notify notify)
        : QValidator(box), box_(box), capacity_(capacity), notify_(std::move(notify))
    {
        QObject::connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { before_ = text; });
    }

    State validate(QString &input, int &pos) const override
    {
        // Setting a text clears the undo history; undoing leaves something to redo.
        if (box_->isReadOnly() || !box_->isUndoAvailable() || box_->isRedoAvailable())
            return Acceptable;
        const qsizetype end = std::clamp<qsizetype>(pos, 0, input.size());
        const qsizetype after = input.size() - end; // kept from the text before, behind the cursor
        if (after > before_.size())
            return Acceptable;
        qsizetype start = 0;
        while (start < end && start < before_.size() && input[start] == before_[start])
            ++start;
        start = std::min(start, before_.size() - after);
        const QStringView inserted = QStringView(input).mid(start, end - start);
        if (inserted.isEmpty())
            return Acceptable;
        const Admitted admitted = Admit(inserted, capacity_ - (input.size() - inserted.size()), capacity_, false);
        if (admitted.Note.isEmpty())
            return Acceptable;
        if (admitted.Fits == 0) {
            notify_(box_, admitted.Note);
            return Invalid;
        }
        const QString fitting = inserted.left(admitted.Fits).toString();
        const QString unchanged = before_;
        QMetaObject::invokeMethod(
            box_,
            [box = box_, fitting, unchanged, note = admitted.Note, notify = notify_] {
                if (box->text() != unchanged)
                    return; // the user went on meanwhile
                box->insert(fitting);
                notify(box, note);
            },
            Qt::QueuedConnection);
        return Invalid;
    }

private:
    QLineEdit *box_;
    int capacity_;
    Notify notify_;
    QString before_; // the text before the change being judged
};

// The notes box: every way text comes in (typing, Enter, paste, drop, an input method) goes
// through Admit first; what is left out is cut at once, as one step that undo takes back.
class TNotesEdit : public QPlainTextEdit
{
public:
    using Notify = std::function<void(QWidget *box, const QString &note)>;

    TNotesEdit(QWidget *parent, int capacity, Notify notify)
        : QPlainTextEdit(parent), capacity_(capacity), notify_(std::move(notify))
    {
    }

protected:
    void insertFromMimeData(const QMimeData *source) override
    {
        if (isReadOnly() || source == nullptr || !source->hasText()) {
            QPlainTextEdit::insertFromMimeData(source);
            return;
        }
        QString text = source->text();
        const QString note = Cut(text);
        if (!text.isEmpty()) {
            QMimeData admitted;
            admitted.setText(text);
            QPlainTextEdit::insertFromMimeData(&admitted);
        }
        if (!note.isEmpty())
            notify_(this, note);
    }

    void keyPressEvent(QKeyEvent *event) override
    {
        // Keys held with Ctrl or Meta are commands (undo, paste, ...), unless Ctrl comes with Alt,
        // which is how AltGr arrives on some keyboards.
        const Qt::KeyboardModifiers held = event->modifiers();
        const bool command = (held & Qt::MetaModifier) || ((held & Qt::ControlModifier) && !(held & Qt::AltModifier));
        const bool lineBreak = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        QString typed;
        if (!command && lineBreak && !(held & Qt::AltModifier))
            typed = QStringLiteral("\n");
        else if (!command && !lineBreak && !event->text().isEmpty() && event->text().front().isPrint())
            typed = event->text();
        if (!isReadOnly() && !typed.isEmpty()) {
            const QString whole = typed;
            const QString note = Cut(typed);
            if (typed != whole) {
                event->accept();
                notify_(this, note);
                return;
            }
        }
        QPlainTextEdit::keyPressEvent(event);
    }

    void inputMethodEvent(QInputMethodEvent *event) override
    {
        QString commit = event->commitString();
        if (isReadOnly() || commit.isEmpty()) {
            QPlainTextEdit::inputMethodEvent(event);
            return;
        }
        const QString note = Cut(commit);
        if (note.isEmpty()) {
            QPlainTextEdit::inputMethodEvent(event);
            return;
        }
        QInputMethodEvent admitted(event->preeditString(), event->attributes());
        admitted.setCommitString(commit, event->replacementStart(), event->replacementLength());
        QPlainTextEdit::inputMethodEvent(&admitted);
        notify_(this, note);
    }

private:
    // Cuts text to what goes in and answers why anything was left out. A line break counts as
    // one character, as the box and the data file count it.
    QString Cut(QString &text) const
    {
        text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        text.replace(u'\r', u'\n');
        const qsizetype room = capacity_ - (toPlainText().size() - textCursor().selectedText().size());
        const Admitted admitted = Admit(text, room, capacity_, true);
        text.truncate(admitted.Fits);
        return admitted.Note;
    }

    int capacity_;
    Notify notify_;
};

const QString PasswordHint =
    QStringLiteral("Passwords should be 10+ characters long, mixed upper and lower case aplha plus numerics");
const QString PasswordLblHint =
    QStringLiteral("Left click to generate random password, right click to restore original password");
const QString EntryPWHint = QStringLiteral("If no passwords are checked all can be used to log in. otherwise only "
                                           "checked passwords are used for lo in.");

// A quality indicator: a coloured disc with a mark, weak "!", could be better "~", ok a tick.
QIcon IndicatorIcon(const QColor &colour, const QString &objectName, int size)
{
    QPixmap pixmap = BlankPicture(size, size);
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

QLabel *MakeCaption(const QString &text, const char *name, QWidget *parent)
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

    void Copy(QLineEdit *edit, bool cut)
    {
        auto *panel = static_cast<TEntryFieldPanel *>(parent());
        QWidget *beside = panel->CopyButtonOf(edit);
        if (!beside || !beside->isVisible())
            beside = edit;
        if (!edit->hasSelectedText() || edit->echoMode() != QLineEdit::Normal) {
            panel->ShowCopyNote(beside, TEntryFieldPanel::NothingToCopyNote()); // the clipboard keeps what it holds
            return;
        }
        platform::Current().SetClipboardText(edit->selectedText());
        panel->ShowCopyNote(beside, TEntryFieldPanel::CopiedNote());
        if (cut && !edit->isReadOnly())
            edit->del();
    }
};

} // namespace

TEntryFieldPanel::TEntryFieldPanel(QWidget *parent, double scale) : QWidget(parent), scale_(scale)
{
    setObjectName(QStringLiteral("EntryFieldPanel"));

    // A line box for every text but the notes, in the order of the field table.
    for (const EntryTextField &field : EntryTextFields)
        if (field.Member != &ItemManagerParams::ItemDescr)
            boxes_[FieldIndex(field.Member)] = AddLineEdit(field);
    QLineEdit *const itemName = ItemName();
    QLineEdit *const url = URL();
    QLineEdit *const custID = CustID();
    QLineEdit *const pin = PIN();
    QLineEdit *const password = Password();
    password->setToolTip(PasswordHint);

    const std::pair<QString ItemManagerParams::*, QString> captions[] = {
        {&ItemManagerParams::ItemName, QStringLiteral("Website Name")},
        {&ItemManagerParams::URL, QStringLiteral("Website address")},
        {&ItemManagerParams::CustID, QStringLiteral("Customer ID")},
        {&ItemManagerParams::PIN, QStringLiteral("PIN")},
        {&ItemManagerParams::Password, QStringLiteral("Password")},
    };
    for (const auto &[field, text] : captions) {
        QLabel *label = MakeCaption(text, "", this);
        label->setObjectName(QString::fromLatin1(EntryTextFields[FieldIndex(field)].Name) + QStringLiteral("Lbl"));
        captions_[FieldIndex(field)] = label;
    }
    QLabel *const passwordLbl = PasswordLbl();
    passwordLbl->setToolTip(PasswordLblHint);
    passwordLbl->setCursor(Qt::PointingHandCursor);

    for (auto field : {&ItemManagerParams::CustID, &ItemManagerParams::PIN, &ItemManagerParams::Password})
        AddCopyButton(field);
    for (auto field : AnswerFields)
        AddCopyButton(field);

    qualityBad_ = AddIndicator("PWBadBtn", QStringLiteral("Password weak. Recommend change."), QStringLiteral("weak"),
                               Colour::QualityWeak);
    qualitySoSo_ = AddIndicator("PWSoSoBtn", QStringLiteral("Password quality could be better"),
                                QStringLiteral("could be better"), Colour::QualitySoSo);
    qualityOK_ =
        AddIndicator("PWOKBtn", QStringLiteral("Password quality ok"), QStringLiteral("ok"), Colour::QualityOK);

    entryPW_ = new QCheckBox(QStringLiteral("Lockvex login"), this);
    entryPW_->setObjectName(QStringLiteral("EntryPWChckBox"));
    entryPW_->setToolTip(EntryPWHint);

    QLabel *const notesLbl = MakeCaption(QStringLiteral("Notes"), "ItemDescrLbl", this);
    captions_[FieldIndex(&ItemManagerParams::ItemDescr)] = notesLbl;
    notes_ =
        new TNotesEdit(this, NotesCapacity, [this](QWidget *box, const QString &note) { ShowEntryNote(box, note); });
    notes_->setObjectName(QStringLiteral("ItemDescr"));
    notes_->setTabChangesFocus(true);
    notes_->setMinimumHeight(Px(42, scale)); // two lines at the least; a window with room gives it more

    // The notes float above the controls: the entry note under its box, going after a few seconds
    // or when another entry is shown; the copy note beside the button that copied.
    const auto makeNote = [this](const char *name, int ms, QLabel *&label, QTimer *&timer) {
        label = new QLabel(this);
        label->setObjectName(QString::fromLatin1(name));
        SetRole(label, "note");
        label->hide();
        timer = new QTimer(this);
        timer->setSingleShot(true);
        timer->setInterval(ms);
    };
    makeNote("EntryNoteLbl", EntryNoteMs, noteLbl_, noteTimer_);
    connect(noteTimer_, &QTimer::timeout, this, [this] { HideEntryNote(); });
    makeNote("CopyNoteLbl", CopyNoteMs, copyNoteLbl_, copyNoteTimer_);
    connect(copyNoteTimer_, &QTimer::timeout, this, [this] { HideCopyNote(); });
    notesLbl->setBuddy(notes_);

    // Each box is named by its caption for assistive tools (the address caption also shows the
    // last login for a moment, so the names are set here rather than read from the captions).
    for (const auto &[field, name] : captions) {
        Box(field)->setAccessibleName(name);
        Caption(field)->setBuddy(Box(field));
    }
    notes_->setAccessibleName(QStringLiteral("Notes"));
    auto *secretCopy = new TSecretCopy(this);
    QList<QLineEdit *> secrets{pin, password};
    for (auto field : AnswerFields)
        secrets << Box(field);
    for (QLineEdit *secret : secrets)
        secret->installEventFilter(secretCopy);
    // A box hands its selected text to the primary selection (X11's, Wayland's) as the mouse or
    // the keyboard selects it, unmarked, where clipboard managers keep it in their history. A
    // secret's selection is taken back at once, before anyone can ask for it; Ctrl+C still
    // copies it, with the mark.
    connect(QGuiApplication::clipboard(), &QClipboard::selectionChanged, this, [secrets] {
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (!clipboard->ownsSelection())
            return;
        const QString selected = clipboard->text(QClipboard::Selection);
        for (const QLineEdit *secret : secrets)
            if (!selected.isEmpty() && secret->hasSelectedText() && secret->selectedText() == selected) {
                clipboard->clear(QClipboard::Selection);
                return;
            }
    });

    // Upper part: a caption column, the boxes, the Copy buttons, then the window's own places.
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(Px(SmallGap + 2, scale));
    grid->setVerticalSpacing(Px(SmallGap - 1, scale));
    grid->setColumnStretch(1, 1);
    besideName_ = new QHBoxLayout;
    besideURL_ = new QHBoxLayout;
    besidePassword_ = new QHBoxLayout;
    checkBoxRow_ = new QHBoxLayout;
    for (QHBoxLayout *place : {besideName_, besideURL_, besidePassword_, checkBoxRow_})
        place->setSpacing(Px(SmallGap, scale));

    for (int row = 0; row < int(std::size(captions)); ++row) {
        const auto field = captions[row].first;
        grid->addWidget(Caption(field), row, 0);
        grid->addWidget(Box(field), row, 1);
        if (QPushButton *copy = CopyButton(field))
            grid->addWidget(copy, row, 2);
    }
    grid->addLayout(besideName_, 0, 2, 1, 2);
    grid->addLayout(besideURL_, 1, 2, 1, 2);

    // The three indicators stand in one place of fixed width: one shows at a time.
    auto *indicators = new QWidget(this);
    indicators->setObjectName(QStringLiteral("QualityPlace"));
    auto *indicatorRow = new QHBoxLayout(indicators);
    indicatorRow->setContentsMargins(0, 0, 0, 0);
    for (QToolButton *indicator : {qualityBad_, qualitySoSo_, qualityOK_})
        indicatorRow->addWidget(indicator);
    indicators->setFixedWidth(Px(26, scale));
    besidePassword_->addWidget(indicators);
    grid->addLayout(besidePassword_, 4, 3);

    checkBoxRow_->addWidget(entryPW_);
    checkBoxRow_->addStretch(1);
    grid->addLayout(checkBoxRow_, 5, 1, 1, 3);

    // Memorable data: the questions in one column, their answers with Copy buttons beside them.
    auto *memorable = new QGridLayout;
    memorable->setHorizontalSpacing(Px(SmallGap + 2, scale));
    memorable->setVerticalSpacing(Px(3, scale)); // each caption sits close above its box
    memorable->setColumnStretch(0, 1);
    memorable->setColumnStretch(2, 1);
    for (int i = 0; i < MemorableRows; ++i) {
        TMemorableRow row = Memorable(i);
        row.QuestionLbl = MakeCaption(QStringLiteral("Memorable Data"), "", this);
        row.QuestionLbl->setObjectName(QStringLiteral("Question%1Lbl").arg(i + 1));
        row.AnswerLbl = MakeCaption(QStringLiteral("Answer %1").arg(i + 1), "", this);
        row.AnswerLbl->setObjectName(QStringLiteral("MemData%1Lbl").arg(i + 1));
        captions_[FieldIndex(QuestionFields[i])] = row.QuestionLbl;
        captions_[FieldIndex(AnswerFields[i])] = row.AnswerLbl;
        const int line = i * 2;
        memorable->addWidget(row.QuestionLbl, line, 0);
        memorable->addWidget(row.AnswerLbl, line, 2);
        memorable->addWidget(row.Question, line + 1, 0, 1, 2);
        memorable->addWidget(row.Answer, line + 1, 2);
        memorable->addWidget(row.CopyBtn, line + 1, 3);
        row.QuestionLbl->setBuddy(row.Question);
        row.AnswerLbl->setBuddy(row.Answer);
        row.Question->setAccessibleName(QStringLiteral("Memorable Data %1").arg(i + 1));
        row.Answer->setAccessibleName(row.AnswerLbl->text());
        row.CopyBtn->setAccessibleName(QStringLiteral("Copy answer %1").arg(i + 1));
    }
    CustIDCopyBtn()->setAccessibleName(QStringLiteral("Copy customer ID"));
    PINCopyBtn()->setAccessibleName(QStringLiteral("Copy PIN"));
    PasswordCopyBtn()->setAccessibleName(QStringLiteral("Copy password"));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Px(SmallGap + 2, scale));
    column->addLayout(grid);
    auto *rule = new QFrame(this);
    rule->setObjectName(QStringLiteral("FieldRule"));
    rule->setFixedHeight(1);
    rule->setStyleSheet(Sheet(QStringLiteral("background: @Rule; border: none;")));
    column->addWidget(rule);
    column->addLayout(memorable);
    auto *notes = new QVBoxLayout;
    notes->setSpacing(Px(3, scale));
    notes->addWidget(notesLbl);
    notes->addWidget(notes_, 1);
    column->addLayout(notes, 1);

    // The order the eye reads the panel in: each Copy button right after its box.
    QList<QWidget *> order = {itemName,          url,     custID, CustIDCopyBtn(), pin, PINCopyBtn(), password,
                              PasswordCopyBtn(), entryPW_};
    for (int i = 0; i < MemorableRows; ++i) {
        const TMemorableRow row = Memorable(i);
        order << row.Question << row.Answer << row.CopyBtn;
    }
    order << notes_;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

QLineEdit *TEntryFieldPanel::Box(QString ItemManagerParams::*field) const
{
    return boxes_[FieldIndex(field)];
}

QLabel *TEntryFieldPanel::Caption(QString ItemManagerParams::*field) const
{
    return captions_[FieldIndex(field)];
}

QPushButton *TEntryFieldPanel::CopyButton(QString ItemManagerParams::*field) const
{
    return copyButtons_[FieldIndex(field)];
}

QList<TEntryFieldPanel::TCopyButton> TEntryFieldPanel::CopyButtons() const
{
    QList<TCopyButton> buttons;
    for (size_t i = 0; i < copyButtons_.size(); ++i)
        if (copyButtons_[i])
            buttons.append({copyButtons_[i], boxes_[i]});
    return buttons;
}

TMemorableRow TEntryFieldPanel::Memorable(int row) const
{
    const size_t question = FieldIndex(QuestionFields[row]);
    const size_t answer = FieldIndex(AnswerFields[row]);
    return {captions_[question], boxes_[question], captions_[answer], boxes_[answer], copyButtons_[answer]};
}

QLineEdit *TEntryFieldPanel::AddLineEdit(const EntryTextField &field)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(field.Name));
    // The validator, not the box's maximum length, keeps the text within the stored width: a box
    // with a maximum cuts a long paste silently.
    edit->setValidator(new TBoxValidator(edit, field.StoredWidth,
                                         [this](QLineEdit *box, const QString &note) { ShowEntryNote(box, note); }));
    return edit;
}

// The Copy button of a field: "CustIDCopyBtn", "PINCopyBtn", "PasswordCopyBtn", "Ans1CopyBtn"...
QPushButton *TEntryFieldPanel::AddCopyButton(QString ItemManagerParams::*field)
{
    const QString fieldName = QString::fromLatin1(EntryTextFields[FieldIndex(field)].Name);
    const QString name = fieldName.startsWith(QStringLiteral("MemData"))
                             ? QStringLiteral("Ans") + fieldName.right(1) + QStringLiteral("CopyBtn")
                             : fieldName + QStringLiteral("CopyBtn");
    auto *button = new QPushButton(QStringLiteral("Copy"), this);
    copyButtons_[FieldIndex(field)] = button;
    button->setObjectName(name);
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

// The boxes are held by field, so the panel never lists the fourteen texts again.
void TEntryFieldPanel::SetFields(const ItemManagerParams &params)
{
    HideEntryNote();
    for (size_t i = 0; i < EntryTextFields.size(); ++i) {
        const QString &text = params.*EntryTextFields[i].Member;
        if (boxes_[i])
            boxes_[i]->setText(text);
        else
            notes_->setPlainText(text);
    }
}

void TEntryFieldPanel::GetFields(ItemManagerParams &params) const
{
    for (size_t i = 0; i < EntryTextFields.size(); ++i)
        params.*EntryTextFields[i].Member = boxes_[i] ? boxes_[i]->text() : notes_->toPlainText();
}

void TEntryFieldPanel::SetReadOnly(bool readOnly)
{
    readOnly_ = readOnly;
    for (QLineEdit *edit : findChildren<QLineEdit *>())
        edit->setReadOnly(readOnly);
    notes_->setReadOnly(readOnly);
    entryPW_->setEnabled(!readOnly);
    // The notes box takes its read-only look from a property rule of the style sheet, which it
    // follows only once it (with its viewport and scroll bars) is polished again. The line edits'
    // read-only look and the disabled button are states the style reads at each paint; polishing
    // every control of the panel again would cost a good part of the window's making.
    QWidgetList notesAndParts = notes_->findChildren<QWidget *>();
    notesAndParts.prepend(notes_);
    for (QWidget *widget : notesAndParts) {
        widget->style()->unpolish(widget);
        widget->style()->polish(widget);
    }
}

void TEntryFieldPanel::ShowQuality(int score)
{
    qualityBad_->setVisible(score >= 0 && score <= PWQualityWeakMax);
    qualitySoSo_->setVisible(score > PWQualityWeakMax && score <= PWQualityCouldBeBetterMax);
    qualityOK_->setVisible(score > PWQualityCouldBeBetterMax);
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
    FollowInTabOrder(besideName_, ItemName(), widget);
    besideName_->addWidget(widget);
}

void TEntryFieldPanel::AddBesideURL(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(besideURL_, URL(), widget);
    besideURL_->addWidget(widget);
}

void TEntryFieldPanel::AddBesidePassword(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(besidePassword_, PasswordCopyBtn(), widget);
    besidePassword_->addWidget(widget);
}

void TEntryFieldPanel::AddToCheckBoxRow(QWidget *widget)
{
    widget->setParent(this);
    FollowInTabOrder(checkBoxRow_, entryPW_, widget);
    checkBoxRow_->insertWidget(checkBoxRow_->count() - 1, widget); // before the stretch
}

void TEntryFieldPanel::ShowEntryNote(QWidget *box, const QString &note)
{
    noteLbl_->setText(note);
    noteLbl_->adjustSize();
    const QSize size = noteLbl_->size();
    const QRect place(box->mapTo(this, QPoint(0, 0)), box->size());
    QPoint at(place.left() + Px(4, scale_), place.bottom() + Px(2, scale_));
    if (at.y() + size.height() > height())
        at.setY(place.bottom() - size.height() - Px(2, scale_));
    at.setX(std::max(0, std::min(at.x(), width() - size.width())));
    noteLbl_->move(at);
    noteLbl_->raise();
    noteLbl_->show();
    noteTimer_->start();
}

void TEntryFieldPanel::HideEntryNote()
{
    noteLbl_->hide();
    noteTimer_->stop();
}

QPushButton *TEntryFieldPanel::CopyButtonOf(const QLineEdit *box) const
{
    for (const TCopyButton &copy : CopyButtons())
        if (copy.Box == box)
            return copy.Button;
    return nullptr;
}

void TEntryFieldPanel::CopyToClipboard(const QLineEdit *box)
{
    QWidget *button = CopyButtonOf(box);
    if (box->text().isEmpty()) {
        if (button)
            ShowCopyNote(button, NothingToCopyNote());
        return;
    }
    platform::Current().SetClipboardText(box->text());
    if (button)
        ShowCopyNote(button, CopiedNote());
}

QString TEntryFieldPanel::CopiedNote()
{
    return QStringLiteral("Copied \u2014 cleared when Lockvex ends");
}

QString TEntryFieldPanel::NothingToCopyNote()
{
    return QStringLiteral("Nothing to copy");
}

void TEntryFieldPanel::ShowCopyNote(QWidget *beside, const QString &note)
{
    HideCopyNote();
    copyNoteLbl_->setText(note);
    copyNoteLbl_->adjustSize();
    const QSize size = copyNoteLbl_->size();
    const QRect place(beside->mapTo(this, QPoint(0, 0)), beside->size());
    // Right of the control, else left of it, in its middle.
    QPoint at(place.right() + Px(4, scale_), place.center().y() - size.height() / 2);
    if (at.x() + size.width() > width())
        at.setX(place.left() - Px(4, scale_) - size.width());
    at.setX(std::max(0, std::min(at.x(), width() - size.width())));
    at.setY(std::max(0, std::min(at.y(), height() - size.height())));
    copyNoteLbl_->move(at);
    copyNoteLbl_->raise();
    copyNoteLbl_->show();
    // Said by screen readers as the control's state while the note shows.
    copyNoteFor_ = beside;
    beside->setAccessibleDescription(note);
    copyNoteTimer_->start();
}

void TEntryFieldPanel::HideCopyNote()
{
    copyNoteTimer_->stop();
    copyNoteLbl_->hide();
    if (copyNoteFor_)
        copyNoteFor_->setAccessibleDescription(QString());
    copyNoteFor_.clear();
}
