// Switches LC_NUMERIC to a comma-decimal locale for the lifetime of the object.
#pragma once

#include <clocale>
#include <string>

namespace kxtest {

class CommaLocale {
public:
    CommaLocale() {
        const char* current = std::setlocale(LC_NUMERIC, nullptr);
        saved_ = current ? current : "C";
        active_ = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") != nullptr;
    }
    ~CommaLocale() { std::setlocale(LC_NUMERIC, saved_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

}  // namespace kxtest
