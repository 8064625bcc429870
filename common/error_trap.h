// Run-time faults inside the program's procedures are trapped: each trap has its own number and hands
// the fault to the reporter, which tells the operator ("Bug detected") and files the bug report.
#pragma once

#include <exception>
#include <string>

namespace muv {

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    // number: the trap's own number; context: the value that the bug report carries after it (the step
    // reached or the procedure's arguments).
    virtual void ReportTrappedError(int number, const std::string& context) = 0;
};

// Runs body; a fault it raises is reported under the trap's number instead of escaping. Returns false
// when the body failed. Without a reporter the fault is swallowed silently.
template <typename Body>
bool RunTrapped(ErrorReporter* reporter, int number, const std::string& context, Body&& body) {
    try {
        body();
        return true;
    } catch (const std::exception&) {
        if (reporter) reporter->ReportTrappedError(number, context);
        return false;
    }
}

}  // namespace muv
