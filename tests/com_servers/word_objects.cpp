#include "word_objects.h"

#include <cwctype>
#include <memory>

#include "com/word_interfaces.h"
#include "config.h"

namespace penwick::testserver {

namespace {

namespace word = com::word;

// Hands a new object out as the call's result, keeping no reference of its own.
void returnNew(Call& call, ServerObject* object);

struct DocumentText {
    std::wstring text;
};

// A stretch of a document's text, 0-based and half open, as Word counts.
class Range final : public ServerObject {
public:
    Range(std::shared_ptr<DocumentText> doc, std::size_t start, std::size_t end)
        : ServerObject(L"Range"), doc_(std::move(doc)), start_(start), end_(end) {
        alsoAnswers(word::kRange);
        member(L"Text", [this](Call& c) {
            if (c.flags & DISPATCH_PROPERTYPUT) {
                doc_->text.replace(start_, end_ - start_, c.text(0));
                end_ = start_ + c.text(0).size();
            } else {
                returnText(c, text());
            }
        });
        member(L"Delete", [this](Call&) {
            doc_->text.erase(start_, end_ - start_);
            end_ = start_;
        });
    }

    std::wstring text() const { return doc_->text.substr(start_, end_ - start_); }

private:
    std::shared_ptr<DocumentText> doc_;
    std::size_t start_, end_;
};

class Suggestion final : public ServerObject {
public:
    explicit Suggestion(std::wstring name) : ServerObject(L"SpellingSuggestion") {
        alsoAnswers(word::kSpellingSuggestion);
        member(L"Name", [name](Call& c) { returnText(c, name); });
    }
};

class Suggestions final : public ServerObject {
public:
    explicit Suggestions(std::vector<std::wstring> words) : ServerObject(L"SpellingSuggestions") {
        alsoAnswers(word::kSpellingSuggestions);
        member(L"Count", [words](Call& c) { returnLong(c, static_cast<long>(words.size())); });
        member(L"Item", [words](Call& c) {
            const long i = c.number(0);
            if (i < 1 || i > static_cast<long>(words.size()))
                throw ObjectError{DISP_E_BADINDEX,
                                  L"The requested member of the collection does not exist."};
            returnNew(c, new Suggestion(words[i - 1]));
        });
    }
};

struct Misspelling {
    std::size_t start, end;
};

class ProofreadingErrors final : public ServerObject {
public:
    ProofreadingErrors(std::shared_ptr<DocumentText> doc, std::vector<Misspelling> errors)
        : ServerObject(L"ProofreadingErrors"), doc_(std::move(doc)), errors_(std::move(errors)) {
        alsoAnswers(word::kProofreadingErrors);
        member(L"Count", [this](Call& c) { returnLong(c, static_cast<long>(errors_.size())); });
        member(L"Item", [this](Call& c) {
            const long i = c.number(0);
            if (i < 1 || i > static_cast<long>(errors_.size()))
                throw ObjectError{DISP_E_BADINDEX,
                                  L"The requested member of the collection does not exist."};
            returnNew(c, new Range(doc_, errors_[i - 1].start, errors_[i - 1].end));
        });
    }

private:
    std::shared_ptr<DocumentText> doc_;
    std::vector<Misspelling> errors_;
};

// The words of the text (letters and apostrophes) that the configuration marks.
std::vector<Misspelling> misspellings(const std::wstring& text) {
    std::vector<Misspelling> found;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!iswalpha(text[i])) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < text.size() && (iswalpha(text[j]) || text[j] == L'\'')) ++j;
        if (config().misspelled.contains(text.substr(i, j - i))) found.push_back({i, j});
        i = j;
    }
    return found;
}

class Document final : public ServerObject {
public:
    Document() : ServerObject(L"Document"), doc_(std::make_shared<DocumentText>()) {
        alsoAnswers(word::kDocument);
        member(L"Range", [this](Call& c) {
            const std::size_t size = doc_->text.size();
            const auto start = static_cast<std::size_t>(c.number(0, 0));
            const auto end = static_cast<std::size_t>(c.number(1, static_cast<long>(size)));
            returnNew(c, new Range(doc_, std::min(start, size), std::min(end, size)));
        });
        member(L"SpellingErrors", [this](Call& c) {
            returnNew(c, new ProofreadingErrors(doc_, misspellings(doc_->text)));
        });
        member(L"Close", [](Call&) {}, {L"SaveChanges", L"OriginalFormat", L"RouteDocument"});
    }

private:
    std::shared_ptr<DocumentText> doc_;
};

class Documents final : public ServerObject {
public:
    Documents() : ServerObject(L"Documents") {
        member(L"Add", [](Call& c) { returnNew(c, new Document()); });
    }
};

class Application final : public ServerObject {
public:
    Application() : ServerObject(L"Word.Application") {
        member(L"Visible", [this](Call& c) {
            if (c.flags & DISPATCH_PROPERTYPUT)
                visible_ = c.text(0) == L"True";
            else
                returnBool(c, visible_);
        });
        member(L"WindowState", [](Call&) {});
        member(L"Documents", [](Call& c) { returnNew(c, new Documents()); });
        member(L"GetSpellingSuggestions", [](Call& c) {
            // The one argument is the error's range, one of ours whichever process asks.
            Range* range = c.omitted(0) || V_VT(c.args[0]) != VT_DISPATCH
                               ? nullptr
                               : dynamic_cast<Range*>(V_DISPATCH(c.args[0]));
            if (!range) throw HRESULT(DISP_E_TYPEMISMATCH);
            const auto it = config().misspelled.find(range->text());
            returnNew(c,
                      new Suggestions(it == config().misspelled.end() ? std::vector<std::wstring>{}
                                                                      : it->second));
        });
        member(L"Quit", [](Call&) {}, {L"SaveChanges", L"OriginalFormat", L"RouteDocument"});
    }

private:
    bool visible_ = true;
};

void returnNew(Call& call, ServerObject* object) {
    returnObject(call, object);
    object->Release();
}

}  // namespace

IDispatch* newWordApplication() {
    return new Application();
}

}  // namespace penwick::testserver
