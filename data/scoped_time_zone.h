#pragma once
// Test support: runs a test under a time zone of its own (TZ) and puts the process's zone back
// afterwards, so no test depends on the machine's zone.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

class TScopedTimeZone {
  public:
    explicit TScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) old_ = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TScopedTimeZone() {
        if (old_)
            setenv("TZ", old_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    TScopedTimeZone(const TScopedTimeZone&) = delete;
    TScopedTimeZone& operator=(const TScopedTimeZone&) = delete;

  private:
    std::optional<std::string> old_;
};
