// The About window: title, version, the maker's notice and two links to the
// maker (home page, mail), each asked for before it opens.
#pragma once

#include <memory>
#include <string>

#include "platform/FormWindow.h"
#include "platform/System.h"

namespace tapivex {

class frmMain;

class frmVersion : public FormEvents {
public:
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
    void onClick(const std::wstring& control) override;
    void onMouseMove(const std::wstring& control) override;
    void onMouseDown(const std::wstring& control) override;
    void onClose() override { OKButton_Click(); }

private:
    void setBoldLink(const wchar_t* boldOne);

    System sys_;
    frmMain& main_;
    std::unique_ptr<FormWindow> window_;
};

}  // namespace tapivex
