#include "tools/demo.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>

namespace penwick::tools {

namespace {

constexpr std::array kFirst = {
    "Ada",   "Ben",  "Carla", "Dmitri", "Elena", "Farid", "Grace", "Hiro",  "Ines",  "Jonas",
    "Keiko", "Liam", "Maya",  "Nikhil", "Olga",  "Pedro", "Quinn", "Rosa",  "Samir", "Tessa",
    "Umar",  "Vera", "Wen",   "Ximena", "Yusuf", "Zoe",   "Amara", "Bruno", "Chloe", "Dario"};
constexpr std::array kLast = {"Abbott",  "Brennan",  "Castillo",  "Dawson", "Eriksen",  "Fischer",
                              "Garcia",  "Hughes",   "Ivanova",   "Jensen", "Kowalski", "Larsen",
                              "Moreau",  "Nakamura", "Okafor",    "Petrov", "Quintero", "Rossi",
                              "Schmidt", "Tanaka",   "Underwood", "Varga",  "Walsh",    "Yilmaz"};
// Company name and its mail domain.
constexpr std::array<std::array<const char*, 2>, 12> kCompanies = {{
    {"Alder & Finch", "alderfinch.example"},
    {"Bluewater Supply", "bluewater.example"},
    {"Cobalt Freight", "cobaltfreight.example"},
    {"Dunmore Bakery", "dunmore.example"},
    {"Evergreen Dental", "evergreendental.example"},
    {"Foxglove Studio", "foxglove.example"},
    {"Granite Insurance", "granite-ins.example"},
    {"Harbor Light Books", "harborlight.example"},
    {"Ironbridge Tools", "ironbridge.example"},
    {"Juniper Travel", "junipertravel.example"},
    {"Keystone Legal", "keystonelegal.example"},
    {"Lakeside Florists", "lakeside.example"},
}};
constexpr std::array kCities = {"Springfield", "Riverton", "Fairview", "Greenville",
                                "Kingston",    "Milford",  "Oakdale",  "Salem"};

std::string lower(const char* s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return out;
}

}  // namespace

std::vector<contacts::ContactFields> demoContacts() {
    // A fixed linear congruential sequence, so that every machine makes the same people.
    std::uint32_t state = 20260206u;
    auto next = [&state](std::uint32_t bound) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % bound;
    };
    std::vector<contacts::ContactFields> contacts;
    contacts.reserve(kDemoContacts);
    for (std::size_t i = 0; i < kDemoContacts; ++i) {
        const char* first = kFirst[next(kFirst.size())];
        const char* last = kLast[next(kLast.size())];
        const auto& company = kCompanies[next(kCompanies.size())];
        const char* city = kCities[next(kCities.size())];
        char phone[32];
        std::snprintf(phone, sizeof phone, "+1 555 %03u %04u", 100 + next(900), next(10000));
        contacts.push_back({std::string(first) + " " + last, company[0], phone,
                            lower(first) + "." + lower(last) + "@" + company[1], city});
    }
    return contacts;
}

}  // namespace penwick::tools
