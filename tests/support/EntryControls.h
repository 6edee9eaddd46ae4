#pragma once
// The controls of the entry's fields in a window (the main window, the entry window, the import
// window's review, or the panel alone), found by their object names as a test drives them.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QWidget>

namespace testing_support
{

// Finds a window's controls by their object names; a class of controls derives from it, so the
// window is known before its members look their controls up.
class TControlFinder
{
protected:
    explicit TControlFinder(const QWidget &window) : window_(window) {}

    template <class T> T *Find(const char *name) const
    {
        T *control = window_.findChild<T *>(QString::fromLatin1(name));
        Q_ASSERT_X(control, "TControlFinder", name);
        return control;
    }

private:
    const QWidget &window_;
};

class TEntryControls : private TControlFinder
{
public:
    explicit TEntryControls(const QWidget &window) : TControlFinder(window) {}

    QLineEdit *const ItemName = Find<QLineEdit>("ItemName");
    QLineEdit *const URL = Find<QLineEdit>("URL");
    QLabel *const URLLbl = Find<QLabel>("URLLbl");
    QLineEdit *const CustID = Find<QLineEdit>("CustID");
    QPushButton *const CustIDCopyBtn = Find<QPushButton>("CustIDCopyBtn");
    QLineEdit *const PIN = Find<QLineEdit>("PIN");
    QPushButton *const PINCopyBtn = Find<QPushButton>("PINCopyBtn");
    QLineEdit *const Password = Find<QLineEdit>("Password");
    QLabel *const PasswordLbl = Find<QLabel>("PasswordLbl");
    QPushButton *const PasswordCopyBtn = Find<QPushButton>("PasswordCopyBtn");
    QToolButton *const PWBadBtn = Find<QToolButton>("PWBadBtn");
    QToolButton *const PWSoSoBtn = Find<QToolButton>("PWSoSoBtn");
    QToolButton *const PWOKBtn = Find<QToolButton>("PWOKBtn");
    QCheckBox *const EntryPWChckBox = Find<QCheckBox>("EntryPWChckBox");
    QLineEdit *const Question1 = Find<QLineEdit>("Question1");
    QLineEdit *const Question2 = Find<QLineEdit>("Question2");
    QLineEdit *const Question3 = Find<QLineEdit>("Question3");
    QLineEdit *const Question4 = Find<QLineEdit>("Question4");
    QLineEdit *const MemData1 = Find<QLineEdit>("MemData1");
    QLineEdit *const MemData2 = Find<QLineEdit>("MemData2");
    QLineEdit *const MemData3 = Find<QLineEdit>("MemData3");
    QLineEdit *const MemData4 = Find<QLineEdit>("MemData4");
    QPushButton *const Ans1CopyBtn = Find<QPushButton>("Ans1CopyBtn");
    QPushButton *const Ans2CopyBtn = Find<QPushButton>("Ans2CopyBtn");
    QPushButton *const Ans3CopyBtn = Find<QPushButton>("Ans3CopyBtn");
    QPushButton *const Ans4CopyBtn = Find<QPushButton>("Ans4CopyBtn");
    QPlainTextEdit *const ItemDescr = Find<QPlainTextEdit>("ItemDescr");
    QLabel *const EntryNoteLbl = Find<QLabel>("EntryNoteLbl");
    QLabel *const CopyNoteLbl = Find<QLabel>("CopyNoteLbl");
};

inline TEntryControls Fields(const QWidget &window)
{
    return TEntryControls(window);
}

} // namespace testing_support
