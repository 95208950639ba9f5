#pragma once
// The command/answer exchange with the logger and its communication log.
//
// A command is ASCII text (a letter, "?" or "!", then its argument) sent with one carriage
// return; an answer is the bytes received before the next line feed. Nothing is trimmed: a CR
// before the LF stays in the answer. Neither function clears the port first; callers run
// DiscardAll once before a group of commands.
#include <functional>
#include <string>

class TSerialPort;
class TLoggerHost;

// Time-out of the answer to a query, in milliseconds, applied to each wait for data.
inline constexpr int CommandAnswerTimeoutMs = 1000;

// Writes command + "\r", waits up to 1000 ms per wait for an answer line (LF), logs "cmd\tanswer".
// Returns the answer without its LF; empty when the wait timed out (the log line then ends with
// the TAB). Without an open port it returns at once with an empty answer and still logs.
// `answered`, when given, runs as soon as the wait has ended (answer or time-out), before the
// line is logged: the moment to note when the answer came.
std::string SendCommand(TSerialPort& port, TLoggerHost& host, const std::string& command,
                        const std::function<void()>& answered = nullptr);

// Writes command + "\r", logs the command alone, does not read. Whatever the logger answers
// stays in the port for the caller or the next DiscardAll.
void PostCommand(TSerialPort& port, TLoggerHost& host, const std::string& command);
