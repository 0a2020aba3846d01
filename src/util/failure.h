#pragma once
// Failures: a number, a description and the routine it came from, and the three ways an
// event handler deals with them.

#include <exception>
#include <string>
#include <utility>

namespace penwick {

namespace err {
inline constexpr int InvalidCall = 5;  // invalid procedure call or argument
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileNameOrNumber = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int PermissionDenied = 70;
inline constexpr int ObjectNotSet = 91;  // an object variable that holds no object
inline constexpr int PathFileAccessError = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int InvalidPropertyArrayIndex = 381;
inline constexpr int ReadOnlyProperty = 383;
inline constexpr int CannotCreateObject = 429;  // an automation object cannot be created
inline constexpr int UnsupportedMember = 438;   // the object has no such property or method
inline constexpr int AutomationError = 440;
inline constexpr int DialogCancelled = 32755;
}  // namespace err

// Thrown out of a blocking call (a yield, a modal show) once the program has been ended, so
// that the handler underneath stops at once. Deliberately not a std::exception: no failure
// handler may catch it.
struct ProgramEnded {};

class Failure : public std::exception {
public:
    Failure(int number, std::u16string description, std::u16string source);

    int number() const noexcept { return number_; }
    const std::u16string& description() const noexcept { return description_; }
    const std::u16string& source() const noexcept { return source_; }
    const char* what() const noexcept override { return what_.c_str(); }

    // The same failure, passed on by a routine that names itself as the source.
    Failure passedOnBy(std::u16string source) const;

private:
    int number_;
    std::u16string description_;
    std::u16string source_;
    std::string what_;
};

// The platform's own wording for the numbers the program relies on.
std::u16string standardDescription(int number);

[[noreturn]] void raise(int number, std::u16string source);
[[noreturn]] void raise(int number, std::u16string description, std::u16string source);

// Any exception turned into a Failure, so that nothing leaves a handler unnumbered.
Failure currentFailure(std::u16string_view source);

// A handler that shrugs a failure off: the step's failure is cleared and the handler goes on
// with the next step.
template <class Step>
void ignoringFailure(Step&& step) {
    try {
        std::forward<Step>(step)();
    } catch (const Failure&) {
    } catch (const std::exception&) {
    }
}

// The same, for a block: the first failure ends the block silently.
// Returns false when the block was cut short.
template <class Block>
bool endingSilentlyOnFailure(Block&& block) {
    try {
        std::forward<Block>(block)();
        return true;
    } catch (const Failure&) {
    } catch (const std::exception&) {
    }
    return false;
}

// A handler that lets a failure go needs no piece of its own: the event dispatch
// (Program::dispatch) shows the standard fatal-error report and ends the program. A handler
// that answers one failure in particular catches Failure and tests number().

}  // namespace penwick
