// The Linux program's words: the Japanese catalogue (po/ja.po) holds the
// table's Japanese words under its English ones, nothing more, and the
// program picks the language from the environment as gettext programs do.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "app/linux/message_catalogue.h"
#include "app/messages.h"
#include "base/unicode.h"

namespace brivonel {
namespace {

// A .po string body ("...") without its quotes, escapes resolved.
std::string Unquote(const std::string& line) {
  std::string text;
  const std::size_t start = line.find('"');
  for (std::size_t i = start + 1; i + 1 < line.size(); ++i) {
    if (line[i] != '\\') {
      text += line[i];
      continue;
    }
    const char escaped = line[++i];
    text += escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
  }
  return text;
}

// msgid -> msgstr of every entry but the header.
std::map<std::string, std::string> ReadCatalogue(const std::string& path) {
  std::map<std::string, std::string> entries;
  std::ifstream in(path);
  std::string line, id, text, *current = nullptr;
  const auto flush = [&] {
    if (!id.empty()) entries[id] = text;
    id.clear();
    text.clear();
    current = nullptr;
  };
  while (std::getline(in, line)) {
    if (line.starts_with("msgid ")) {
      flush();
      current = &id;
    } else if (line.starts_with("msgstr ")) {
      current = &text;
    } else if (!line.starts_with("\"")) {
      continue;
    }
    if (current != nullptr) *current += Unquote(line);
  }
  flush();
  return entries;
}

// A .po entry, ready to paste.
std::string Entry(const std::string& id, const std::string& text) {
  const auto quote = [](const std::string& s) {
    std::string out = "\"";
    for (char c : s) out += c == '\n' ? std::string("\\n") : c == '"' ? std::string("\\\"") : std::string(1, c);
    return out + "\"";
  };
  return "msgid " + quote(id) + "\nmsgstr " + quote(text) + "\n";
}

TEST(MessageCatalogueTest, JapaneseCatalogueHoldsEveryMessageAndNothingElse) {
  std::map<std::string, std::string> catalogue =
      ReadCatalogue(BRIVONEL_SOURCE_DIR "/po/ja.po");
  ASSERT_FALSE(catalogue.empty());
  for (int row = 0; row < static_cast<int>(Message::kCount); ++row) {
    const auto message = static_cast<Message>(row);
    const std::string japanese = Utf16ToUtf8(MessageIn(message, Language::kJapanese));
    ASSERT_FALSE(japanese.empty()) << "message " << row << " has no Japanese words";
    const auto found = catalogue.find(MessageId(message));
    EXPECT_TRUE(found != catalogue.end() && found->second == japanese)
        << "po/ja.po needs (message " << row << "):\n" << Entry(MessageId(message), japanese);
    if (found != catalogue.end()) catalogue.erase(found);
  }
  for (const auto& [id, text] : catalogue) {
    ADD_FAILURE() << "po/ja.po holds words no message has; remove:\n" << Entry(id, text);
  }
}

// Sets the environment of one case (nullptr: unset) for the test's life.
class Environment {
 public:
  Environment(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
      const char* old = std::getenv(name);
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
      unsetenv(name);
    }
    for (const auto& [name, value] : values) setenv(name, value, 1);
  }
  ~Environment() {
    for (const auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
    ShowMessagesIn(Language::kJapanese);
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(MessageCatalogueTest, ProgramSpeaksTheLanguageTheEnvironmentAsksFor) {
  struct Case {
    std::initializer_list<std::pair<const char*, const char*>> environment;
    Language expected;
  };
  const Case cases[] = {
      {{{"LC_ALL", "C.UTF-8"}, {"LANGUAGE", "ja"}}, Language::kJapanese},
      {{{"LANG", "ja_JP.UTF-8"}}, Language::kJapanese},  // generated or not
      {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, Language::kJapanese},
      {{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", "en_US.UTF-8"}}, Language::kEnglish},
      {{{"LANG", "en_US.UTF-8"}}, Language::kEnglish},
      {{{"LC_ALL", "C.UTF-8"}}, Language::kEnglish},
      {{{"LANG", "de_DE.UTF-8"}}, Language::kEnglish},  // no catalogue: English
      {{}, Language::kEnglish},
      {{{"LC_ALL", "C.UTF-8"}, {"LANGUAGE", "de:ja"}}, Language::kJapanese},
  };
  for (const Case& c : cases) {
    Environment environment(c.environment);
    UseUserLanguage(BRIVONEL_LOCALE_BUILD_DIR);
    std::string described;
    for (const auto& [name, value] : c.environment) described += std::string(name) + "=" + value + " ";
    for (int row = 0; row < static_cast<int>(Message::kCount); ++row) {
      const auto message = static_cast<Message>(row);
      EXPECT_EQ(MessageText(message), MessageIn(message, c.expected))
          << described << "message " << row;
    }
  }
}

TEST(MessageCatalogueTest, CatalogueIsFoundBesideTheProgramElseWhereItIsInstalled) {
  EXPECT_EQ(LocaleFolderFor(BRIVONEL_LOCALE_BUILD_DIR "/../../bin/", "/usr/share/locale"),
            std::string(BRIVONEL_LOCALE_BUILD_DIR));
  EXPECT_EQ(LocaleFolderFor("/nonexistent/bin/", "/usr/share/locale"), "/usr/share/locale");
}

}  // namespace
}  // namespace brivonel
