#pragma once
// The station editor: name, addresses, type, language and region of the open
// station. It edits the caller's station in place and answers mrOk when it
// wrote, mrNo when OK was pressed without a change and mrCancel when it was
// closed. Type, language and region offer the user's own history of values,
// which every close saves, whatever the result.

#include "libHistory.h"
#include "vclDialogFrame.h"

class QComboBox;
class QLineEdit;
class QPushButton;
class TRadio;
class TSizeGrip;

class TwinRadio final : public TEditorDialog
{
    Q_OBJECT
public:
    // Newest first; a longer file is shown whole and cut to this on saving.
    static constexpr int HistoryCount = 30;

    TwinRadio(QWidget* owner, TRadio* radio);
    // Saves the placement and the three histories.
    ~TwinRadio() override;

    void btnOKClick() override;

    bool Changed() const { return FChanged; }
    // The history file of one of the three combo boxes.
    static QString HistoryFile(const QComboBox* combo);

    QLineEdit* edtText;
    QComboBox* cboKind;
    QLineEdit* edtMenu;
    QComboBox* cboLand;
    QLineEdit* edtHome;
    QComboBox* cboLang;
    QPushButton* btnOK;
    QPushButton* btnNO;
    TSizeGrip* ctlSizeGrip;

private:
    void FormCreate();
    void FormShow();
    // The combo shows the history; the list holds its rules.
    void FillHistory(QComboBox* combo, THistoryList& history, const QString& value);
    void SaveHistory(QComboBox* combo, THistoryList& history);

    TRadio* FRadio;
    bool FChanged = false;
    THistoryList FKindHistory{HistoryCount};
    THistoryList FLangHistory{HistoryCount};
    THistoryList FLandHistory{HistoryCount};
};
