#pragma once
// The panel of an entry's fields, shared by the main window (editable) and the entry window
// (read-only): name, web address, customer ID, PIN, password, four memorable questions with
// their answers, and the notes, each with its caption; the Copy buttons beside the customer ID,
// PIN, password and answers; the three password-quality indicators, which stand in one place;
// and the "Lockvex login" check box.
//
// Every control carries its name as object name (ItemName, CustIDCopyBtn, PWOKBtn, ...), for
// tests and assistive tools; the panel holds its boxes by field and never looks them up by name.
// Windows reach the controls through the accessors below. The panel only shows and reads texts;
// what the buttons and check boxes do is the window's. A window adds its own controls beside the
// name, the address and the password, and to the row of check boxes, through the Add... places.
//
// The panel exchanges the fourteen texts of an entry with its owner as ItemManagerParams:
// SetFields fills the boxes, GetFields reads them back exactly as typed (flags, keys and the
// window-owned fields are the owner's). Each box takes only what the data file stores as it is,
// so that what the user sees is what is saved: a character outside the file's code page, or a
// control character (the notes keep their line breaks and tabs), is refused as it is typed or
// pasted, and of a paste longer than the room left only what fits goes in. Either way the box
// keeps its text and its undo history, and a note under the box says what was left out.

#include "entries/EntryFields.h"

#include <QPointer>
#include <QWidget>

#include <array>

struct EntryTextField;
class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;

// One row of memorable data: a question with its caption, and its answer with its caption and
// Copy button.
struct TMemorableRow {
    QLabel *QuestionLbl = nullptr;
    QLineEdit *Question = nullptr;
    QLabel *AnswerLbl = nullptr;
    QLineEdit *Answer = nullptr;
    QPushButton *CopyBtn = nullptr;
};

class TEntryFieldPanel : public QWidget
{
    Q_OBJECT

public:
    // scale: the window's drawing scale (LockvexStyle::WindowScale()).
    explicit TEntryFieldPanel(QWidget *parent = nullptr, double scale = 1.0);

    // The notes store at most this many characters, a line break counting as one.
    static constexpr int NotesCapacity = decltype(V9LockvexData::AccountNotes)::Capacity;

    void SetFields(const ItemManagerParams &params);
    // Fills the fourteen texts of params; everything else in params is left as it is.
    void GetFields(ItemManagerParams &params) const;

    // Read-only: the texts can be selected and copied but not changed; the check boxes are
    // disabled. The Copy buttons keep working.
    void SetReadOnly(bool readOnly);
    bool IsReadOnly() const { return readOnly_; }

    // Shows the indicator for a PWQuality score (0..33 weak, 34..66 could be better, 67 and
    // above ok); a negative score hides all three.
    void ShowQuality(int score);

    // Places for the window's own controls.
    void AddBesideName(QWidget *widget);
    void AddBesideURL(QWidget *widget);
    void AddBesidePassword(QWidget *widget); // right of the quality indicator
    void AddToCheckBoxRow(QWidget *widget);  // right of "Lockvex login"

    // The box of a text, by its field (&ItemManagerParams::URL, ...); nullptr for the notes,
    // which have their own box. Its caption and, for a secret, its Copy button likewise.
    QLineEdit *Box(QString ItemManagerParams::*field) const;
    QLabel *Caption(QString ItemManagerParams::*field) const;
    QPushButton *CopyButton(QString ItemManagerParams::*field) const;

    QLineEdit *ItemName() const { return Box(&ItemManagerParams::ItemName); }
    QLineEdit *URL() const { return Box(&ItemManagerParams::URL); }
    QLineEdit *CustID() const { return Box(&ItemManagerParams::CustID); }
    QLineEdit *PIN() const { return Box(&ItemManagerParams::PIN); }
    QLineEdit *Password() const { return Box(&ItemManagerParams::Password); }
    QPlainTextEdit *ItemDescr() const { return notes_; }
    QLabel *URLLbl() const { return Caption(&ItemManagerParams::URL); }
    QLabel *PasswordLbl() const { return Caption(&ItemManagerParams::Password); }
    QPushButton *CustIDCopyBtn() const { return CopyButton(&ItemManagerParams::CustID); }
    QPushButton *PINCopyBtn() const { return CopyButton(&ItemManagerParams::PIN); }
    QPushButton *PasswordCopyBtn() const { return CopyButton(&ItemManagerParams::Password); }
    // Every Copy button with the box it copies, in the order of the fields.
    struct TCopyButton {
        QPushButton *Button;
        QLineEdit *Box;
    };
    QList<TCopyButton> CopyButtons() const;
    static constexpr int MemorableRows = 4;
    TMemorableRow Memorable(int row) const;
    QToolButton *PWBadBtn() const { return qualityBad_; }
    QToolButton *PWSoSoBtn() const { return qualitySoSo_; }
    QToolButton *PWOKBtn() const { return qualityOK_; }
    QCheckBox *EntryPWChckBox() const { return entryPW_; }
    // Why the last thing typed or pasted did not go in whole; shown under its box for a few seconds.
    QLabel *EntryNoteLbl() const { return noteLbl_; }

    // Shows the note under box (or over its lower edge when the panel ends there).
    void ShowEntryNote(QWidget *box, const QString &note);
    void HideEntryNote();

    // A Copy button's work: the box's text onto the clipboard, and the note beside its button. An
    // empty box leaves the clipboard as it was (emptying it would only lose what the user had
    // there) and says there was nothing to copy.
    void CopyToClipboard(const QLineEdit *box);
    // The Copy button of a box; nullptr for a box without one.
    QPushButton *CopyButtonOf(const QLineEdit *box) const;
    // What a Copy button (or a copy from a secret's box) did, for a few seconds beside it, and as
    // the button's accessible description, which screen readers announce.
    QLabel *CopyNoteLbl() const { return copyNoteLbl_; }
    void ShowCopyNote(QWidget *beside, const QString &note);
    void HideCopyNote();
    static QString CopiedNote();
    static QString NothingToCopyNote();

private:
    QLineEdit *AddLineEdit(const EntryTextField &field);
    QPushButton *AddCopyButton(QString ItemManagerParams::*field);
    QToolButton *AddIndicator(const char *name, const QString &hint, const QString &quality, const QColor &colour);

    // By the field's place in EntryTextFields.
    std::array<QLineEdit *, EntryTextFieldCount> boxes_{};
    std::array<QLabel *, EntryTextFieldCount> captions_{};
    std::array<QPushButton *, EntryTextFieldCount> copyButtons_{};
    QPlainTextEdit *notes_ = nullptr;
    QToolButton *qualityBad_ = nullptr;
    QToolButton *qualitySoSo_ = nullptr;
    QToolButton *qualityOK_ = nullptr;
    QCheckBox *entryPW_ = nullptr;
    QLabel *noteLbl_ = nullptr;
    QLabel *copyNoteLbl_ = nullptr;
    QPointer<QWidget> copyNoteFor_; // the control the copy note is beside
    QTimer *copyNoteTimer_ = nullptr;
    double scale_;
    bool readOnly_ = false;
    QHBoxLayout *besideName_ = nullptr;
    QHBoxLayout *besideURL_ = nullptr;
    QHBoxLayout *besidePassword_ = nullptr;
    QHBoxLayout *checkBoxRow_ = nullptr;
    QTimer *noteTimer_ = nullptr;
};
