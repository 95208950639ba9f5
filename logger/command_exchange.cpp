#include "logger/command_exchange.h"

#include "logger/logger_host.h"
#include "serial/serial_port.h"

std::string SendCommand(TSerialPort& port, TLoggerHost& host, const std::string& command,
                        const std::function<void()>& answered) {
    port.WriteText(command + "\r");
    std::string answer = port.ReadUntil(CommandAnswerTimeoutMs, "\n");
    if (answered) answered();
    // The line is logged after the wait, so a slow answer shows once it came or timed out.
    host.AppendCommLog(command + "\t" + answer);
    if (port.ErrorCode() == SerialErrTimeout) return std::string();
    return answer;
}

void PostCommand(TSerialPort& port, TLoggerHost& host, const std::string& command) {
    port.WriteText(command + "\r");
    host.AppendCommLog(command);
}
