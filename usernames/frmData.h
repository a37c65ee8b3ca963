#pragma once
// The user name database window: the computer names of compnamedb.mdb's
// table T_Main in a sorted list, the current record in four text boxes, and
// the commands that edit the table. Loaded hidden with the main window,
// shown modeless by "&User Database", hidden by "&Close", unloaded with the
// main window. It keeps its placement in usernames.set.
#include "usernames/ComputerNameList.h"
#include "usernames/DataControl.h"

#include <QWidget>

#include <array>
#include <memory>

class IntervalTimer;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QToolButton;

class frmData : public QWidget {
    Q_OBJECT
public:
    // Loads the window (hidden), reads its placement and arms loadTimer.
    explicit frmData(QWidget* owner);
    ~frmData() override;

    QWidget* C1Elastic1;
    QToolButton* BtnSav;
    QToolButton* BtnRefreshImg;
    std::array<QFrame*, 3> TopBarSep;
    QToolButton* BtnAdd;
    QToolButton* BtnCancelRecAdd;
    QToolButton* BtnDel;
    QPushButton* cmdExit;
    QWidget* C1Elastic4;
    QListView* lstPut;
    QWidget* C1Elastic3;
    std::array<QLabel*, 4> lblPut;
    std::array<QLineEdit*, 4> rtfPut;
    QLabel* lblInfo;
    IntervalTimer* loadTimer;
    IntervalTimer* Timer1;

    DataControl Data1;
    // True while a new record is being entered.
    bool AddingRecord = false;
    // The computer name a save selects again in the rebuilt list.
    QString lblInfoTag;

    // The list's entries and its selected index (-1: none).
    const ComputerNameList& lstPutItems() const { return *names_; }
    int lstPutIndex() const;
    // Selects entry `index` (-1 clears the selection); selecting an entry
    // runs the list's click, which makes its record current.
    void setLstPutIndex(int index);
    // The index of the first entry equal to `text`, letter case ignored, or -1.
    int findComputerName(const QString& text) const;

    // True while the loading procedure has names still to read.
    bool loading() const { return reader_ != nullptr; }

    void OpenSettings();
    void SavSettings();
    // Seeds an empty T_Main with "Test Record" and lists it.
    void AddRec();
    // Starts the loading procedure afresh as soon as the program is idle,
    // dropping one in progress.
    void startLoading();
    // Unloads the window: writes its placement and closes it.
    void unload();

public slots:
    void loadTimer_Timer();
    void Timer1_Timer();
    void BtnRefreshImg_Click();
    void cmdExit_Click();
    void lstPut_Click();
    void BtnAdd_Click();
    void BtnCancelRecAdd_Click();
    void BtnSav_Click();
    void BtnDel_Click();
    void rtfPut_Change(int index, const QString& text);

private:
    void buildToolbar();
    void buildFields();
    void beginLoading();
    void continueLoading();
    void finishLoading();
    void loadingFailed(int number);
    bool finishListing();
    void showCurrentRecord();
    void clearRecordFields();
    void setRecordButtons(bool enabled);
    void setBrowsing();
    void seedEmptyTable();
    QStringList readAllNames();
    bool allFieldsEmpty() const;
    // The window a message box stands over: this one when shown, else the
    // main window (messages of the hidden window's loading).
    QWidget* boxOwner();

    ComputerNameList* names_;
    std::unique_ptr<jet::Recordset> reader_;  // the loading procedure's read position
    ComputerNameList::SortedNames readNames_;  // names read, listed when the reading ends
    // usernames.set was there but could not be read: kept aside before it
    // is replaced.
    bool placementUnread_ = false;
};
