// Small commands of the command language that are not about series or banks: fadd (a
// command file run once per line of an argument file), timer, time, timestamp, comment
// blocks between colon lines, addpause, dos (command lines run by the system's command
// interpreter), cwd, step and seed.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

// A calendar time in universal time, as the timer keeps it.
struct SystemTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

// Set by timer on/start; all zero at start.
extern SystemTime timerStart;

// The current time in universal time.
SystemTime systemtimenow();
// The difference end - start in units of 100 nanoseconds.
std::int64_t filetimediff(const SystemTime& start, const SystemTime& end);
// The time phrase of the time command for a local time: "%2d:%02d:%02d%s%02d/%02d/%04d.\n"
// with the 12-hour clock and the part of the day.
std::string timeofday(const std::tm& local);
// The stamp of the timestamp command for a local time: " Created on <date> <time>.".
std::string timestamptext(const std::tm& local);

int faddcmd(std::FILE* in);
int timercmd(std::FILE* in);
int timecmd();
int timestampcmd();
int colonblockcmd(std::FILE* in);
int addpausecmd(std::FILE* in);
int doscmd(std::FILE* in);
int cwdcmd();
int stepcmd(std::FILE* in);
int seedcmd(std::FILE* in);
