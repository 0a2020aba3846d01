// How long the spell check's token walk takes over a long note, per token, next to the bare
// Hunspell calls it is built on; and, over a table of common typos, where the intended word
// stands among the suggestions before and after our ranking, and how long suggesting takes.
// Prints the figures and writes bench_spell.json into --out.
//
// The walk runs through the whole program (main window, suggestions dialog, Hunspell checker)
// on the in-memory front end, so the figures hold everything but real drawing.

#include <hunspell/hunspell.hxx>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "hunspell/factory.h"
#include "results_json.h"
#include "support/app_harness.h"
#include "util/text.h"

namespace {

using Clock = std::chrono::steady_clock;
using penwick::bench::fixed;
using penwick::testing::AppHarness;
using penwick::testing::FakeWindow;

const std::string kFolder = "/usr/share/hunspell";
const std::string kLanguage = "en_US";

double secondsOf(const std::function<void()>& work) {
    const auto begin = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - begin).count();
}

// The best of a few runs: the least disturbed by the rest of the machine.
double bestOf(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) best = std::min(best, secondsOf(work));
    return best;
}

// Plain lower-case words of the dictionary that the dictionary itself accepts.
std::vector<std::string> dictionaryWords(Hunspell& engine, std::size_t wanted) {
    std::ifstream in(kFolder + "/" + kLanguage + ".dic");
    std::string line;
    std::getline(in, line);  // the word count
    std::vector<std::string> all;
    while (std::getline(in, line)) {
        const std::string stem = line.substr(0, line.find('/'));
        if (stem.size() < 3 || stem.size() > 10) continue;
        if (!std::all_of(stem.begin(), stem.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
            continue;
        all.push_back(stem);
    }
    std::vector<std::string> words;
    const std::size_t stride = std::max<std::size_t>(1, all.size() / wanted);
    for (std::size_t i = 0; i < all.size() && words.size() < wanted; i += stride)
        if (engine.spell(all[i])) words.push_back(all[i]);
    return words;
}

// Two neighbouring letters swapped, as a typist would; kept only when the dictionary rejects it.
std::string misspelled(Hunspell& engine, const std::string& word) {
    for (std::size_t i = 1; i + 1 < word.size(); ++i) {
        std::string typo = word;
        std::swap(typo[i], typo[i + 1]);
        if (typo != word && !engine.spell(typo)) return typo;
    }
    return word + "q";
}

struct Note {
    std::vector<std::string> words;
    std::size_t errors = 0;
    std::u16string text() const {
        std::string joined;
        for (const auto& w : words) {
            if (!joined.empty()) joined += ' ';
            joined += w;
        }
        return penwick::fromUtf8(joined);
    }
};

Note makeNote(Hunspell& engine, const std::vector<std::string>& vocabulary, std::size_t count,
              std::size_t errorEvery) {
    Note note;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& word = vocabulary[(i * 7919) % vocabulary.size()];
        if (errorEvery != 0 && i % errorEvery == errorEvery - 1) {
            note.words.push_back(misspelled(engine, word));
            ++note.errors;
        } else {
            note.words.push_back(word);
        }
    }
    return note;
}

struct WalkResult {
    double seconds = 0;
    int dialogs = 0;
    bool textOk = false;
};

// One spell check of the note through the main window's button. Each misspelled word is
// changed to the first suggestion, or ignored when there is none.
WalkResult walk(penwick::spell::SpellCheckerFactory& factory, const Note& note) {
    AppHarness harness(nullptr, &factory);
    FakeWindow& main = harness.start();
    const std::u16string text = note.text();
    main.type("txtNote", text);
    WalkResult result;
    for (std::size_t i = 0; i < note.errors; ++i) {
        harness.ui.onModal("frmSpellCheck", [&](FakeWindow& dialog) {
            ++result.dialogs;
            if (dialog.control("lstSuggestions").listCount() > 0) {
                dialog.choose("lstSuggestions", 0);
                dialog.click("cmdChange");
            } else {
                dialog.click("cmdIgnore");
            }
        });
    }
    result.seconds = secondsOf([&] { main.click("cmdSpellCheck"); });
    const std::u16string after = main.control("txtNote").text();
    result.textOk = note.errors == 0 ? after == text : after != text;
    result.textOk = result.textOk && harness.ui.messages().empty();
    return result;
}

struct Typo {
    std::string typo, intended;
};

std::vector<Typo> typoTable() {
    std::ifstream in(std::string(PENWICK_BENCH_DATA) + "/typos.tsv");
    std::vector<Typo> rows;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
        rows.push_back({line.substr(0, tab), line.substr(tab + 1)});
    }
    return rows;
}

// 1-based place of the word in the list; 0 when it is not there.
template <typename List, typename Word>
std::size_t rankOf(const List& list, const Word& word) {
    const auto found = std::find(list.begin(), list.end(), word);
    return found == list.end() ? 0 : static_cast<std::size_t>(found - list.begin()) + 1;
}

struct RankingResult {
    std::size_t rows = 0, firstBefore = 0, firstAfter = 0, top3Before = 0, top3After = 0;
    double medianUs = 0, p95Us = 0;
    std::string table;
};

RankingResult rankTypos(Hunspell& engine, penwick::spell::SpellCheckerFactory& factory) {
    RankingResult result;
    const auto checker = factory.create(penwick::spell::kCheckerClass);
    checker->start();
    std::vector<double> micros;
    std::ostringstream table;
    for (const Typo& row : typoTable()) {
        const std::size_t before = rankOf(engine.suggest(row.typo), row.intended);
        std::vector<std::u16string> ranked;
        const double seconds = secondsOf([&] {
            ranked = checker->suggestions({penwick::fromUtf8(row.typo), 1});
        });
        micros.push_back(seconds * 1e6);
        const std::size_t after = rankOf(ranked, penwick::fromUtf8(row.intended));
        ++result.rows;
        result.firstBefore += before == 1;
        result.firstAfter += after == 1;
        result.top3Before += before >= 1 && before <= 3;
        result.top3After += after >= 1 && after <= 3;
        table << "    " << row.typo << " -> " << row.intended << ": " << before << " -> " << after
              << "\n";
    }
    checker->quit();
    std::sort(micros.begin(), micros.end());
    if (!micros.empty()) {
        result.medianUs = micros[micros.size() / 2];
        result.p95Us = micros[std::min(micros.size() - 1, micros.size() * 95 / 100)];
    }
    result.table = table.str();
    return result;
}

std::string percent(std::size_t part, std::size_t whole) {
    return fixed(whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole),
                 0) +
           "%";
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = "build/bench";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::string(argv[i]) == "--out") out = argv[i + 1];

    const std::string aff = kFolder + "/" + kLanguage + ".aff";
    const std::string dic = kFolder + "/" + kLanguage + ".dic";
    if (!std::filesystem::exists(aff) || !std::filesystem::exists(dic)) {
        std::cout << "bench_spell: no " << dic << "; nothing measured\n";
        return 0;
    }

    Hunspell engine(aff.c_str(), dic.c_str());
    const std::vector<std::string> vocabulary = dictionaryWords(engine, 3000);
    constexpr std::size_t kWords = 10000;
    constexpr std::size_t kErrorEvery = 50;
    const Note clean = makeNote(engine, vocabulary, kWords, 0);
    const Note faulty = makeNote(engine, vocabulary, kWords, kErrorEvery);

    // The bare engine over the same words, in the dictionary's own encoding (UTF-8).
    const double bareSpell = bestOf(5, [&] {
        for (const auto& w : clean.words) (void)engine.spell(w);
    });
    std::vector<std::string> typos;
    for (std::size_t i = kErrorEvery - 1; i < faulty.words.size(); i += kErrorEvery)
        typos.push_back(faulty.words[i]);
    const double bareSuggest = secondsOf([&] {
        for (const auto& w : typos) (void)engine.suggest(w);
    });

    auto factory = penwick::hunspell::makeSpellCheckerFactory(
        penwick::hunspell::DictionaryOptions{kFolder, kLanguage});
    // The first run loads the dictionary, which the factory keeps for the later runs.
    const double firstRun = walk(*factory, makeNote(engine, vocabulary, 10, 0)).seconds;

    WalkResult cleanWalk;
    cleanWalk.seconds = 1e30;
    for (int i = 0; i < 3; ++i) {
        const WalkResult r = walk(*factory, clean);
        if (r.seconds < cleanWalk.seconds) cleanWalk = r;
    }
    const WalkResult faultyWalk = walk(*factory, faulty);

    // Per-token time at growing note lengths: flat when the walk is linear in the note.
    std::vector<std::pair<std::size_t, double>> scaling;
    for (std::size_t n : {2500, 5000, 10000, 20000}) {
        const Note note = makeNote(engine, vocabulary, n, 0);
        double best = 1e30;
        for (int i = 0; i < 3; ++i) best = std::min(best, walk(*factory, note).seconds);
        scaling.emplace_back(n, best / static_cast<double>(n) * 1e6);
    }

    const RankingResult ranking = rankTypos(engine, *factory);

    const double n = static_cast<double>(kWords);
    const double spellPerWord = bareSpell / n * 1e6;
    const double cleanPerToken = cleanWalk.seconds / n * 1e6;
    const double faultyPerToken = faultyWalk.seconds / n * 1e6;
    const double suggestPerTypo = bareSuggest / static_cast<double>(typos.size()) * 1e6;
    // With errors the walk also has Hunspell find suggestions, which outweighs everything
    // else; it is set against the bare spell calls plus the bare suggest calls.
    const double faultyBare = bareSpell + bareSuggest;

    std::ostringstream report;
    report << "dictionary " << kLanguage << ", first run (loads it): " << fixed(firstRun * 1e3, 1)
           << " ms\n"
           << "note of " << kWords << " words\n"
           << "  bare Hunspell spell:       " << fixed(spellPerWord, 3) << " us/word\n"
           << "  walk, no errors:           " << fixed(cleanPerToken, 3) << " us/token  ("
           << fixed(cleanWalk.seconds * 1e3, 1) << " ms, " << fixed(cleanPerToken / spellPerWord, 2)
           << "x bare spell)\n"
           << "  bare Hunspell suggest:     " << fixed(suggestPerTypo, 1) << " us/misspelled word\n"
           << "  walk, " << faulty.errors << " errors (1 in " << kErrorEvery
           << "): " << fixed(faultyPerToken, 3) << " us/token  ("
           << fixed(faultyWalk.seconds * 1e3, 1) << " ms, " << faultyWalk.dialogs << " dialogs, "
           << fixed(faultyWalk.seconds / faultyBare, 2) << "x bare spell + suggest)\n"
           << "  walk, no errors, per token by note length:";
    for (const auto& [words, perToken] : scaling)
        report << " " << words << ": " << fixed(perToken, 3) << " us";
    report << "\n"
           << "typo table, " << ranking.rows
           << " typos: place of the intended word, Hunspell -> ours\n"
           << ranking.table << "  first:       " << percent(ranking.firstBefore, ranking.rows)
           << " -> " << percent(ranking.firstAfter, ranking.rows) << "  (target 80%)\n"
           << "  first three: " << percent(ranking.top3Before, ranking.rows) << " -> "
           << percent(ranking.top3After, ranking.rows) << "  (target 95%)\n"
           << "  suggestions per misspelled word: median " << fixed(ranking.medianUs / 1e3, 2)
           << " ms, 95th percentile " << fixed(ranking.p95Us / 1e3, 2) << " ms\n";
    std::cout << report.str();

    const bool ok = cleanWalk.textOk && faultyWalk.textOk &&
                    faultyWalk.dialogs == static_cast<int>(faulty.errors);
    if (!ok) std::cout << "bench_spell: the walk did not do what was expected\n";

    std::filesystem::create_directories(out);
    std::ofstream json(std::filesystem::path(out) / "bench_spell.json");
    json << "{\n"
         << "  \"dictionary\": \"" << kLanguage << "\",\n"
         << "  \"words\": " << kWords << ",\n"
         << "  \"errors\": " << faulty.errors << ",\n"
         << "  \"first_run_ms\": " << fixed(firstRun * 1e3, 3) << ",\n"
         << "  \"bare_spell_us_per_word\": " << fixed(spellPerWord, 4) << ",\n"
         << "  \"bare_suggest_us_per_error\": " << fixed(suggestPerTypo, 2) << ",\n"
         << "  \"walk_clean_ms\": " << fixed(cleanWalk.seconds * 1e3, 3) << ",\n"
         << "  \"walk_clean_us_per_token\": " << fixed(cleanPerToken, 4) << ",\n"
         << "  \"walk_clean_ratio_to_spell\": " << fixed(cleanPerToken / spellPerWord, 3) << ",\n"
         << "  \"walk_errors_ms\": " << fixed(faultyWalk.seconds * 1e3, 3) << ",\n"
         << "  \"walk_errors_us_per_token\": " << fixed(faultyPerToken, 4) << ",\n"
         << "  \"walk_errors_ratio_to_spell_and_suggest\": "
         << fixed(faultyWalk.seconds / faultyBare, 3) << ",\n"
         << "  \"dialogs\": " << faultyWalk.dialogs << ",\n"
         << "  \"per_token_us_by_length\": {";
    for (std::size_t i = 0; i < scaling.size(); ++i)
        json << (i ? ", " : "") << "\"" << scaling[i].first
             << "\": " << fixed(scaling[i].second, 4);
    json << "},\n"
         << "  \"typos\": " << ranking.rows << ",\n"
         << "  \"typos_first_before\": " << ranking.firstBefore << ",\n"
         << "  \"typos_first_after\": " << ranking.firstAfter << ",\n"
         << "  \"typos_top3_before\": " << ranking.top3Before << ",\n"
         << "  \"typos_top3_after\": " << ranking.top3After << ",\n"
         << "  \"suggest_median_ms\": " << fixed(ranking.medianUs / 1e3, 3) << ",\n"
         << "  \"suggest_p95_ms\": " << fixed(ranking.p95Us / 1e3, 3) << ",\n"
         << "  \"ok\": " << (ok ? "true" : "false") << "\n"
         << "}\n";
    return ok ? 0 : 1;
}
