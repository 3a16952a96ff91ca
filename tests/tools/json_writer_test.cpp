// The tools' JSON writer: commas, nesting, escaping and UTF-8 output.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/inspect/json_writer.h"

namespace brivonel::tools {
namespace {

TEST(JsonWriter, NestsObjectsAndArraysWithCommas) {
  JsonWriter json;
  json.BeginObject();
  json.Field("n", 3).Field("big", std::uint64_t{18446744073709551615u}).Field("neg", -1);
  json.Key("list").BeginArray().Int(1).BeginObject().EndObject().BeginArray().EndArray().EndArray();
  json.Field("yes", true).Key("none").Null();
  json.EndObject();
  EXPECT_EQ(json.text(),
            R"({"n":3,"big":18446744073709551615,"neg":-1,"list":[1,{},[]],"yes":true,"none":null})");
}

TEST(JsonWriter, EscapesStringsAndWritesUtf8) {
  JsonWriter json;
  json.BeginArray();
  json.String(std::string_view("q\"b\\s/\n\t\x01\x7f"));
  json.String(u"センター");
  json.String(std::u16string(1, u'\0'));
  json.String(std::u16string(1, char16_t{0xD800}));  // a lone surrogate
  json.String(std::string_view("\xff"));             // not UTF-8
  json.EndArray();
  EXPECT_EQ(json.text(), "[\"q\\\"b\\\\s/\\n\\t\\u0001\\u007f\",\"センター\",\"\\u0000\","
                         "\"\xEF\xBF\xBD\",\"\xEF\xBF\xBD\"]");
}

TEST(JsonWriter, NumbersKeepSixDigitsAndNonFiniteBecomeNull) {
  JsonWriter json;
  json.BeginArray().Number(0.5).Number(1234.56789).Number(NAN).Number(INFINITY).EndArray();
  EXPECT_EQ(json.text(), "[0.5,1234.57,null,null]");
}

}  // namespace
}  // namespace brivonel::tools
