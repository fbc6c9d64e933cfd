// The life of a window that is loaded on demand and unloads itself (the
// settings dialog, the About window), decided here and nowhere else.
//
// A form unloads from inside its own handlers, and a handler may go on after
// that, or wait in a message box whose loop runs other messages. So unload()
// closes the window at once, and the object lives on until FreeUnloaded(),
// which the program's message loop calls between two messages, when no
// handler of any window runs.
#pragma once

#include <memory>
#include <utility>
#include <vector>

namespace tapivex {

template <typename Form>
class FormInstance {
public:
    Form* loaded() const { return current_.get(); }

    // The loaded instance, made by `load` when there is none.
    template <typename Load>
    Form& getOrLoad(Load&& load) {
        if (!current_) current_ = load();
        return *current_;
    }

    // `form` closes its window; if it is the loaded instance, the next
    // getOrLoad() makes a fresh one. Unloading twice changes nothing more.
    void unload(Form& form) {
        form.window().close();
        if (current_.get() == &form) unloaded_.push_back(std::move(current_));
    }

    void FreeUnloaded() { unloaded_.clear(); }

private:
    std::unique_ptr<Form> current_;
    std::vector<std::unique_ptr<Form>> unloaded_;
};

}  // namespace tapivex
