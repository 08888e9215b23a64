#pragma once
// The link and station editors behind one replaceable service, so the main
// window's tests can answer them from a script instead of opening a dialog.

#include "libMsgBox.h" // TModalResult

class QWidget;
class TRadio;
class TRadioLink;

class IEditors
{
public:
    virtual ~IEditors() = default;
    // Shows the link editor on link, modal and owned by parent. Answers mrOk,
    // mrNo (the editor's second button) or mrCancel; the link is written only on mrOk.
    virtual int EditLink(QWidget* parent, TRadioLink* link) = 0;
    // The same for the station editor on radio.
    virtual int EditRadio(QWidget* parent, TRadio* radio) = 0;
};

// The real editors: TwinLink and TwinRadio.
class TDialogEditors final : public IEditors
{
public:
    int EditLink(QWidget* parent, TRadioLink* link) override;
    int EditRadio(QWidget* parent, TRadio* radio) override;
};
