#include "util/failure.h"

#include <new>

#include "util/text.h"

namespace penwick {

Failure::Failure(int number, std::u16string description, std::u16string source)
    : number_(number),
      description_(std::move(description)),
      source_(std::move(source)),
      what_(toUtf8(source_) + ": " + std::to_string(number_) + " " + toUtf8(description_)) {}

Failure Failure::passedOnBy(std::u16string source) const {
    return Failure(number_, description_, std::move(source));
}

std::u16string standardDescription(int number) {
    switch (number) {
        case err::InvalidCall:
            return u"Invalid procedure call or argument";
        case err::Overflow:
            return u"Overflow";
        case err::OutOfMemory:
            return u"Out of memory";
        case err::TypeMismatch:
            return u"Type mismatch";
        case err::BadFileNameOrNumber:
            return u"Bad file name or number";
        case err::FileNotFound:
            return u"File not found";
        case err::PermissionDenied:
            return u"Permission denied";
        case err::ObjectNotSet:
            return u"Object variable or With block variable not set";
        case err::PathFileAccessError:
            return u"Path/File access error";
        case err::PathNotFound:
            return u"Path not found";
        case err::InvalidPropertyValue:
            return u"Invalid property value";
        case err::InvalidPropertyArrayIndex:
            return u"Invalid property array index";
        case err::ReadOnlyProperty:
            return u"'Text' property is read-only";
        case err::CannotCreateObject:
            return u"ActiveX component can't create object";
        case err::UnsupportedMember:
            return u"Object doesn't support this property or method";
        case err::AutomationError:
            return u"Automation error";
        case err::DialogCancelled:
            return u"Cancel was selected.";
        default:
            return u"Application-defined or object-defined error";
    }
}

void raise(int number, std::u16string source) {
    throw Failure(number, standardDescription(number), std::move(source));
}

void raise(int number, std::u16string description, std::u16string source) {
    throw Failure(number, std::move(description), std::move(source));
}

Failure currentFailure(std::u16string_view source) {
    try {
        throw;
    } catch (const ProgramEnded&) {
        throw;
    } catch (const Failure& f) {
        return f;
    } catch (const std::bad_alloc&) {
        return Failure(err::OutOfMemory, standardDescription(err::OutOfMemory),
                       std::u16string(source));
    } catch (const std::exception& e) {
        return Failure(err::AutomationError, fromUtf8(e.what()), std::u16string(source));
    } catch (...) {
        return Failure(err::AutomationError, standardDescription(err::AutomationError),
                       std::u16string(source));
    }
}

}  // namespace penwick
