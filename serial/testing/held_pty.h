#pragma once
// A pseudo-terminal that this process holds open the way the serial port class does (exclusive
// use and a lock), so that any other open of it fails as busy. For tests of what the program says
// about a port that another program holds.
#include <pty.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "serial/serial_port.h"

class THeldPty {
  public:
    THeldPty() {
        int slave = -1;
        char name[128] = {};
        if (::openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
        ::close(slave);
        path_ = name;
        port_.OpenPort(path_);
    }
    ~THeldPty() {
        port_.ClosePort();
        if (master_ >= 0) ::close(master_);
    }
    THeldPty(const THeldPty&) = delete;
    THeldPty& operator=(const THeldPty&) = delete;

    bool Held() const { return port_.IsOpen(); }
    const std::string& Path() const { return path_; }  // "/dev/pts/3"
    // The name a device map gives it: the path below /dev ("pts/3").
    std::string PortName() const { return path_.substr(5); }
    // This process as a list of holders names it: "<program> (PID <pid>)".
    static std::string HolderText() {
        std::ifstream in("/proc/self/comm");
        std::string program;
        std::getline(in, program);
        return program + " (PID " + std::to_string(::getpid()) + ")";
    }

  private:
    int master_ = -1;
    std::string path_;
    TSerialPort port_;
};
