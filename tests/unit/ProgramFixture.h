// A frmMain on the fake system, with helpers to run a load and the ticks.
#pragma once

#include <gtest/gtest.h>

#include "FakeSystem.h"
#include "app/Globals.h"
#include "app/frmMain.h"

namespace tapivex::testing {

struct Program {
    FakeSystem fake;
    Globals globals;
    frmMain form{fake.system(), globals, fake, fake};

    Program() { fake.betweenMessages = [this] { form.FreeUnloadedForms(); }; }
    // Runs the load; true when it returned, false when the program ended.
    bool load() {
        try {
            form.Form_Load();
            return true;
        } catch (const ProgramEnd&) {
            return false;
        }
    }
    // Advances the clock by `ms` and runs one tick.
    void tickAfter(std::uint32_t ms) {
        fake.now += ms;
        form.Timer1_Timer();
    }
};

class ProgramTest : public ::testing::Test, public Program {};

}  // namespace tapivex::testing
