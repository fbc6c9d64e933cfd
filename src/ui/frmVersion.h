// The About window: title, version, the maker's notice and two links to the
// maker (home page, mail), each asked for before it opens.
#pragma once

#include <memory>

#include "platform/FormWindow.h"
#include "platform/System.h"

namespace tapivex {

class frmMain;

class frmVersion : public FormEvents {
public:
    // The controls, in the order of the window's table; Label1_0 is Label1(0).
    enum Control : int { imgLogo, Label1_0, Label1_1, Label1_2, Label2, Label3, OKButton };

    // Creates the window hidden and runs Form_Load.
    frmVersion(System system, WindowFactory& windows, frmMain& main);

    static const FormSpec& Layout();
    static std::wstring VersionText(int major, int minor, int revision);

    FormWindow& window() { return *window_; }

    void Form_Load();
    void Form_MouseMove();
    void Label1_MouseMove();
    void OKButton_MouseMove();
    void Label2_MouseMove();
    void Label3_MouseMove();
    void Label2_Click();
    void Label3_MouseDown();
    void OKButton_Click();

    // FormEvents
    void onClick(int control) override;
    void onMouseMove(int control) override;
    void onMouseDown(int control) override;
    void onClose() override { OKButton_Click(); }

private:
    // Makes `link` (Label2 or Label3) bold and the other regular; kOnWindow: both regular.
    void setBoldLink(int link);
    bool ask(const wchar_t* question);  // Yes to a question modal to the window

    System sys_;
    frmMain& main_;
    std::unique_ptr<FormWindow> window_;
};

}  // namespace tapivex
