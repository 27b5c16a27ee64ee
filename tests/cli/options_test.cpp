#include <gtest/gtest.h>

#include "cli/json_writer.h"
#include "cli/options.h"

namespace qm::cli {
namespace {

TEST(CliOptions, CommandsSourcesAndFilters) {
    CliOptions o;
    std::string error;
    ASSERT_EQ(0, ParseOptions({"recover", "card.img", "--to", "out", "--type", "JPG,.pdf", "--group", "photo,others",
                               "--json", "--state-dir", "st"},
                              o, error))
        << error;
    EXPECT_EQ("recover", o.command);
    EXPECT_EQ("card.img", o.source);
    EXPECT_EQ("out", o.destination);
    EXPECT_EQ((std::vector<std::string>{"jpg", "pdf"}), o.types);
    EXPECT_EQ((std::vector<std::string>{"photo", "other"}), o.groups);
    EXPECT_TRUE(o.json);
    EXPECT_EQ("st", o.stateDir);
    EXPECT_TRUE(o.deep) << "deep is the default mode";
    CliOptions fast;
    ASSERT_EQ(0, ParseOptions({"scan", "card.img", "--fast"}, fast, error));
    EXPECT_FALSE(fast.deep);
}

TEST(CliOptions, MistakesAreUsageErrorsWithAReason) {
    CliOptions o;
    std::string error;
    EXPECT_EQ(2, ParseOptions({}, o, error));
    EXPECT_EQ(2, ParseOptions({"dance"}, o, error));
    EXPECT_NE(std::string::npos, error.find("dance"));
    EXPECT_EQ(2, ParseOptions({"list"}, o, error));
    EXPECT_EQ(2, ParseOptions({"recover", "a.img"}, o, error));
    EXPECT_NE(std::string::npos, error.find("--to"));
    EXPECT_EQ(2, ParseOptions({"list", "a.img", "--group", "movies"}, o, error));
    EXPECT_EQ(2, ParseOptions({"list", "a.img", "b.img"}, o, error));
    EXPECT_EQ(2, ParseOptions({"list", "a.img", "--type"}, o, error));
    EXPECT_EQ(2, ParseOptions({"list", "a.img", "--frobnicate"}, o, error));
    EXPECT_EQ(0, ParseOptions({"--help", "recover"}, o, error));
    EXPECT_TRUE(o.help);
    EXPECT_EQ("recover", o.command);
    EXPECT_NE(std::string::npos, HelpText("recover").find("exit codes"));
}

TEST(CliOptions, ValuesAfterEqualsAndContradictoryModes) {
    CliOptions o;
    std::string error;
    ASSERT_EQ(0, ParseOptions({"list", "a.img", "--state-dir=st", "--type=jgp,jpg", "--quiet"}, o, error)) << error;
    EXPECT_EQ("st", o.stateDir);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ((std::vector<std::string>{"jgp"}), UnknownTypes(o));
    EXPECT_EQ(2, ParseOptions({"list", "a.img", "--state-dir="}, o, error));
    EXPECT_EQ(2, ParseOptions({"list", "a.img", "--tree=yes"}, o, error));
    EXPECT_EQ(2, ParseOptions({"scan", "a.img", "--fast", "--deep"}, o, error));
    EXPECT_EQ(2, ParseOptions({"scan", "a.img", "--resume", "--fast"}, o, error));
    EXPECT_EQ(0, ParseOptions({"scan", "a.img", "--deep", "--resume"}, o, error)) << error;
    EXPECT_EQ(0, ParseOptions({"--version"}, o, error));
    EXPECT_TRUE(o.version);
}

TEST(JsonWriter, NestingAndEscapes) {
    JsonWriter json;
    json.beginObject();
    json.key("name").string("a \"b\"\\\n\x01");
    json.key("list").beginArray();
    json.number(-3);
    json.unsignedNumber(18446744073709551615ULL);
    json.boolean(true);
    json.null();
    json.beginObject();
    json.endObject();
    json.endArray();
    json.key("utf8").string("\xE6\x96\x87");
    json.endObject();
    EXPECT_EQ("{\"name\":\"a \\\"b\\\"\\\\\\n\\u0001\",\"list\":[-3,18446744073709551615,true,null,{}],"
              "\"utf8\":\"\xE6\x96\x87\"}",
              json.text());
}

}  // namespace
}  // namespace qm::cli
