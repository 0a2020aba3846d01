#include "act_objects.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <memory>

#include "call_log.h"
#include "config.h"

namespace penwick::testserver {

namespace {

// Contact manager state is the configuration's, as it was when the object was made.
class Application final : public ServerObject {
public:
    Application() : ServerObject(L"APPOBJECT"), config_(config()) {
        member(L"SaveCurrentLookup", [this](Call& c) {
            std::ofstream out(c.text(0).c_str(), std::ios::binary | std::ios::trunc);
            if (!out) throw ObjectError{E_FAIL, L"Cannot write the lookup file"};
            for (const auto& id : config_.lookup) out << std::string(id.begin(), id.end()) << "\n";
        });
        member(L"GetOpenDBName", [this](Call& c) { returnText(c, config_.database); });
        member(L"GetCurrentUserName", [this](Call& c) { returnText(c, config_.user); });
    }

private:
    Config config_;
};

struct Records {
    Config config;
    std::vector<std::wstring> set;  // the loaded lookup
    std::size_t at = 0;
    bool current = false;  // a contact is current (after Lookup)
    std::wstring currentId;
    bool pending = false;
    std::map<long, std::wstring> fields;
};

class ContactSet final : public ServerObject {
public:
    explicit ContactSet(std::shared_ptr<Records> r) : ServerObject(L"Contact"), r_(std::move(r)) {
        member(L"Loadlookupquery", [this](Call& c) {
            std::ifstream in(c.text(0).c_str(), std::ios::binary);
            if (!in) throw ObjectError{E_FAIL, L"Cannot read the lookup file"};
            r_->set.clear();
            for (std::string id; std::getline(in, id);) {
                const std::wstring w(id.begin(), id.end());
                const auto& all = r_->config.contacts;
                if (std::find(all.begin(), all.end(), w) != all.end()) r_->set.push_back(w);
            }
            r_->at = 0;
        });
        member(L"MoveFirst", [this](Call&) { r_->at = 0; });
        member(L"recordCount",
               [this](Call& c) { returnLong(c, static_cast<long>(r_->set.size())); });
        member(L"IsEOF", [this](Call& c) { returnBool(c, r_->at >= r_->set.size()); });
        member(L"movenext", [this](Call&) { r_->at = std::min(r_->at + 1, r_->set.size()); });
        member(L"Data", [this](Call& c) {
            if (c.number(0) != 1 || r_->at >= r_->set.size())
                throw ObjectError{E_INVALIDARG, L"No such field or no current contact"};
            // Identifiers come back as numbers where they are numbers.
            const std::wstring& id = r_->set[r_->at];
            wchar_t* end = nullptr;
            const long n = std::wcstol(id.c_str(), &end, 10);
            if (*end == 0)
                returnLong(c, n);
            else
                returnText(c, id);
        });
        member(L"Lookup", [this](Call& c) {
            const std::wstring id = c.text(1);
            const auto& all = r_->config.contacts;
            r_->current = std::find(all.begin(), all.end(), id) != all.end();
            r_->currentId = r_->current ? id : L"";
        });
    }

private:
    std::shared_ptr<Records> r_;
};

class NoteHistory final : public ServerObject {
public:
    explicit NoteHistory(std::shared_ptr<Records> r)
        : ServerObject(L"NOTEHISTORY"), r_(std::move(r)) {
        member(L"Add", [this](Call&) {
            if (!r_->current) throw ObjectError{E_FAIL, L"No current contact"};
            r_->pending = true;
            r_->fields.clear();
        });
        member(L"Data", [this](Call& c) {
            if (!r_->pending) throw ObjectError{E_FAIL, L"No record pending"};
            r_->fields[c.number(0)] = c.text(1);
        });
        member(L"Update", [this](Call&) {
            if (!r_->pending) throw ObjectError{E_FAIL, L"No record pending"};
            std::wstring line = L"# note contact=" + r_->currentId;
            for (const auto& [field, value] : r_->fields)
                line += L" " + std::to_wstring(field) + L"=\"" + value + L"\"";
            logLine(line);
            r_->pending = false;
        });
    }

private:
    std::shared_ptr<Records> r_;
};

class Database final : public ServerObject {
public:
    Database() : ServerObject(L"DATABASE"), r_(std::make_shared<Records>()) {
        r_->config = config();
        contacts_ = new ContactSet(r_);
        history_ = new NoteHistory(r_);
        member(L"Open", [this](Call& c) {
            if (c.text(0) != r_->config.database)
                throw ObjectError{E_FAIL, L"No such database: " + c.text(0)};
            open_ = true;
        });
        member(L"validateuser", [this](Call& c) {
            // User names are found whatever their case, and handed back as the database has them.
            auto known = r_->config.logins.begin();
            while (known != r_->config.logins.end() &&
                   _wcsicmp(known->first.c_str(), c.text(0).c_str()))
                ++known;
            const bool found = known != r_->config.logins.end();
            if (found && c.args.size() > 0 && V_VT(c.args[0]) == (VT_BYREF | VT_BSTR) &&
                known->first != c.text(0)) {
                SysFreeString(*V_BSTRREF(c.args[0]));
                *V_BSTRREF(c.args[0]) = SysAllocString(known->first.c_str());
            }
            error_ = r_->config.multiUser && (!found || known->second != c.text(1));
            validated_ = true;
        });
        // No value until a login was tried, and none for a database without logins.
        member(L"Error", [this](Call& c) {
            if (validated_) returnBool(c, error_);
        });
        member(L"IsMultiUser", [this](Call& c) {
            if (r_->config.multiUser) returnBool(c, true);
        });
        member(L"Close", [this](Call&) { open_ = false; });
        member(L"Contact", [this](Call& c) {
            needOpen();
            returnObject(c, contacts_);
        });
        member(L"NOTEHISTORY", [this](Call& c) {
            needOpen();
            returnObject(c, history_);
        });
    }
    ~Database() override {
        contacts_->Release();
        history_->Release();
    }

private:
    void needOpen() const {
        if (!open_) throw ObjectError{E_FAIL, L"The database is not open"};
    }
    std::shared_ptr<Records> r_;
    IDispatch* contacts_;
    IDispatch* history_;
    bool open_ = false;
    bool validated_ = false;
    bool error_ = false;
};

}  // namespace

IDispatch* newActApplication() {
    return new Application();
}

IDispatch* newActDatabase() {
    return new Database();
}

}  // namespace penwick::testserver
