// The command line: options before or after the input, both value forms,
// defaults, and every line that cannot stand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "beadmap/arguments.hpp"
#include "beadmap/refusal.hpp"

namespace beadmap {
namespace {

Arguments parse(const std::vector<const char*>& words) { return parse_arguments(words); }

TEST(Arguments, DefaultsAndOptionsOnEitherSideOfTheInput) {
  const Arguments defaults = parse({"1ubi.pdb"});
  EXPECT_EQ(defaults.action, Arguments::Action::map);
  EXPECT_EQ(defaults.input, "1ubi.pdb");
  EXPECT_EQ(defaults.output, "pdb-CG.pdb");
  EXPECT_EQ(defaults.library, "beadlib.dat");
  EXPECT_FALSE(defaults.chain || defaults.mapping || defaults.posre || defaults.force);

  const Arguments all = parse({"--chain", "U", "-o", "out.pdb", "entry.cif.gz", "--library=lib.dat",
                               "--mapping", "my.map", "--posre=posre.itp", "--force"});
  EXPECT_EQ(all.input, "entry.cif.gz");
  EXPECT_EQ(all.output, "out.pdb");
  EXPECT_EQ(all.chain, "U");
  EXPECT_EQ(all.library, "lib.dat");
  EXPECT_EQ(all.mapping, "my.map");
  EXPECT_EQ(all.posre, "posre.itp");
  EXPECT_TRUE(all.force);

  // After "--" a word that starts with a dash is the input; a lone "-" is one too.
  EXPECT_EQ(parse({"--", "-odd.pdb"}).input, "-odd.pdb");
  EXPECT_EQ(parse({"-"}).input, "-");
  EXPECT_EQ(parse({"--output=x.pdb", "a.pdb"}).output, "x.pdb");
  EXPECT_EQ(parse({"a.pdb", "--chain="}).chain, "");  // a blank chain id
}

TEST(Arguments, HelpAndVersionStandAnywhereWithoutInput) {
  EXPECT_EQ(parse({"--help"}).action, Arguments::Action::help);
  EXPECT_EQ(parse({"a.pdb", "--version"}).action, Arguments::Action::version);
  EXPECT_EQ(parse({"--force", "--help"}).action, Arguments::Action::help);
}

TEST(Arguments, LinesThatCannotStandAreUsageErrors) {
  const std::vector<std::pair<std::vector<const char*>, std::string>> cases = {
      {{}, "no input file"},
      {{"--force"}, "no input file"},
      {{"a.pdb", "b.pdb"}, "more than one input file: b.pdb"},
      {{"a.pdb", "--bogus"}, "unknown option --bogus"},
      {{"a.pdb", "-x"}, "unknown option -x"},
      {{"a.pdb", "--force=yes"}, "unknown option --force=yes"},
      {{"a.pdb", "-o"}, "option -o needs a value"},
      {{"a.pdb", "--library="}, "option --library needs a value"},
      {{"a.pdb", "-o", "x", "--output=y"}, "option --output is given twice"},
      {{"a.pdb", "--chain", "A", "--chain", "B"}, "option --chain is given twice"},
      {{"a.pdb", "--posre", "p", "--posre", "q"}, "option --posre is given twice"},
      {{""}, "the input file name is empty"},
  };
  for (const auto& [words, message] : cases) {
    try {
      parse(words);
      ADD_FAILURE() << "accepted: " << message;
    } catch (const UsageError& error) {
      EXPECT_EQ(std::string(error.what()), message);
    }
  }
}

}  // namespace
}  // namespace beadmap
