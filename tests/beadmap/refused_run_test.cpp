// Runs that are refused: exit status 1 (refused input) or 2 (command line),
// one clear line on standard error, and nothing written.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

std::string three_glycines() {
  EntryBuilder entry;
  entry.backbone("GLY", 'A', 1, 0.0).backbone("GLY", 'A', 2, 3.8).backbone("LYS", 'A', 3, 7.6);
  for (const char* name : {"CB", "CG", "CD", "CE", "NZ"}) entry.atom("LYS", 'A', 3, name, 8, -1, 0);
  return entry.text();
}

// The library with its template `name` replaced by `replacement` lines.
std::string library_with(const std::string& name, const std::string& replacement) {
  const std::string library = example_library();
  const std::size_t start = library.find("\n" + name + " ") + 1;
  std::size_t end = start;
  do {
    end = library.find('\n', end) + 1;
  } while (end < library.size() && library[end] == ' ');
  return library.substr(0, start) + replacement + library.substr(end);
}

class RefusedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("beadlib.dat", example_library());
    dir_.write("entry.pdb", three_glycines());
    inputs_ = directory_entries(dir_);
  }

  // Status 1, exactly `message` on standard error, nothing on standard
  // output, and no file beyond those the test made.
  void expect_refused(const std::vector<std::string>& args, const std::string& message) {
    const auto result = run_beadmap(dir_, args);
    EXPECT_EQ(result.exit_status, 1) << message;
    EXPECT_EQ(result.err, "beadmap: " + message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(directory_entries(dir_), inputs_) << message;
  }
  void add_input(const std::string& name, const std::string& content) {
    dir_.write(name, content);
    inputs_ = directory_entries(dir_);
  }

  testsupport::ScratchDir dir_;
  std::vector<std::string> inputs_;
};

TEST_F(RefusedRun, InputThatCannotBeRead) {
  expect_refused({"absent.pdb"}, "cannot read absent.pdb: No such file or directory");
  add_input("entry.txt", three_glycines());
  expect_refused({"entry.txt"},
                 "entry.txt: unknown format (the name must end in .pdb, .ent, .cif, .mmcif or "
                 ".json, each optionally followed by .gz; or give --format)");
  add_input("empty.pdb", "REMARK nothing here\nEND\n");
  expect_refused({"empty.pdb"}, "empty.pdb holds no model with atoms");
  // Records cut short where the structure library reads on (an SSBOND line
  // of 73 columns; CRLF line ends): read within the text (the sanitizer
  // builds see any read beyond it).
  add_input("short.pdb", "SSBOND" + std::string(67, ' ') + "\n");
  expect_refused({"short.pdb"}, "short.pdb holds no model with atoms");
  add_input("crlf.pdb", "SSBOND   1 CYS A    6\r\nLINK\r\nCISPEP\r\nSITE\r\n");
  expect_refused({"crlf.pdb"}, "crlf.pdb holds no model with atoms");
  // Nothing, or blanks alone, in any format (and compressed): said as such.
  for (const char* name : {"nothing.cif", "nothing.json", "nothing.pdb", "blanks.cif"}) {
    add_input(name, std::string(name).starts_with("blanks") ? " \n\t\n" : "");
    expect_refused({name}, std::string(name) + " is empty: it holds no model with atoms");
  }
  add_input("nothing.cif.gz", compressed(dir_, ""));
  expect_refused({"nothing.cif.gz"}, "nothing.cif.gz is empty: it holds no model with atoms");
  add_input("broken.cif", "data_x\nloop_\n_atom_site.id\n'unterminated\n");
  const auto broken = run_beadmap(dir_, {"broken.cif"});
  EXPECT_EQ(broken.exit_status, 1);
  EXPECT_TRUE(broken.err.starts_with("beadmap: cannot read broken.cif: ")) << broken.err;
  add_input("waters.pdb", EntryBuilder().atom("HOH", 'A', 1, "O", 0, 0, 0, true).text());
  expect_refused({"waters.pdb"}, "no chain of the first model holds a standard amino acid");
  // A glycine none of whose backbone atoms is there.
  add_input("unmapped.pdb", EntryBuilder().atom("GLY", 'A', 1, "OXT", 0, 0, 0).text());
  const auto unmapped = run_beadmap(dir_, {"unmapped.pdb"});
  EXPECT_EQ(unmapped.exit_status, 1);
  EXPECT_EQ(unmapped.err,
            "beadmap: chain A: skipped residue GLY 1: no atom of backbone bead BB\n"
            "beadmap: no residue of chain A could be mapped\n");
  EXPECT_EQ(directory_entries(dir_), inputs_);
}

TEST_F(RefusedRun, ACompressedEntryMustBeWhole) {
  const std::string whole = compressed(dir_, three_glycines());
  add_input("whole.pdb.gz", whole);
  const auto accepted = run_beadmap(dir_, {"whole.pdb.gz"});
  ASSERT_EQ(accepted.exit_status, 0) << accepted.err;
  std::filesystem::remove(dir_.path() / "pdb-CG.pdb");

  // Cut short: inside the data, and where one complete stream of whole
  // lines is followed by the start of another (which once gave a shorter
  // structure and success). A flipped checksum byte is damage too.
  std::size_t two_residues = 0;  // the first eight lines: the two glycines
  for (int line = 0; line < 8; ++line) two_residues = three_glycines().find('\n', two_residues) + 1;
  const std::string first_part = compressed(dir_, three_glycines().substr(0, two_residues));
  std::string flipped = whole;
  flipped[flipped.size() - 6] = static_cast<char>(flipped[flipped.size() - 6] ^ 0xFF);
  for (const auto& [name, bytes] : {std::pair{"cut.pdb.gz", whole.substr(0, whole.size() / 2)},
                                    std::pair{"cut2.pdb.gz", first_part + whole.substr(0, 12)},
                                    std::pair{"flipped.pdb.gz", flipped}}) {
    add_input(name, bytes);
    const auto result = run_beadmap(dir_, {name});
    EXPECT_EQ(result.exit_status, 1) << name;
    EXPECT_TRUE(result.err.starts_with("beadmap: cannot read " + std::string(name) +
                                       ": damaged or incomplete compressed data ("))
        << result.err;
    EXPECT_EQ(directory_entries(dir_), inputs_) << name;
  }
}

TEST_F(RefusedRun, AMalformedMappingNamesFileAndLine) {
  add_input("bad.map", "# mapping\nbead GLY BB N CA C O\nbead GLY SC1\n");
  expect_refused({"entry.pdb", "--mapping", "bad.map"},
                 "malformed mapping: bad.map:3: a bead line needs a residue name, a bead name "
                 "and at least one atom");
  expect_refused({"entry.pdb", "--mapping", "absent.map"},
                 "cannot read absent.map: No such file or directory");
}

TEST_F(RefusedRun, ALibraryBeadweaveWouldRefuse) {
  const auto absent = run_beadmap(dir_, {"entry.pdb", "--library", "absent.dat"});
  EXPECT_EQ(absent.exit_status, 1);
  EXPECT_TRUE(
      absent.err.starts_with("beadmap: the template library cannot be used: file not found"))
      << absent.err;
  EXPECT_NE(absent.err.find("absent.dat"), std::string::npos) << absent.err;
  EXPECT_EQ(directory_entries(dir_), inputs_);

  // Nineteen templates: the end of the file comes before the twentieth.
  const std::string library = example_library();
  add_input("short.dat", library.substr(0, library.rfind("\nVAL") + 1));
  const auto short_library = run_beadmap(dir_, {"entry.pdb", "--library=short.dat"});
  EXPECT_EQ(short_library.exit_status, 1);
  EXPECT_TRUE(short_library.err.starts_with("beadmap: the template library cannot be used: "))
      << short_library.err;
  EXPECT_EQ(directory_entries(dir_), inputs_);

  // A count that is not a digit.
  add_input("letter.dat",
            library_with(
                "GLY", "GLY    x   0   0   0   0\n    1    P5     1   GLY    BB     1   0.000\n"));
  EXPECT_EQ(run_beadmap(dir_, {"entry.pdb", "--library=letter.dat"}).exit_status, 1);
  EXPECT_EQ(directory_entries(dir_), inputs_);
}

TEST_F(RefusedRun, AMappingThatDisagreesWithTheLibrary) {
  add_input("renamed.dat",
            library_with(
                "GLY", "GLX    1   0   0   0   0\n    1    P5     1   GLX    BB     1   0.000\n"));
  expect_refused({"entry.pdb", "--library", "renamed.dat"},
                 "residue GLY 1: no template of renamed.dat is named GLY");
  // GLY as a 21st template, which is never read: the message says so.
  add_input("extra.dat",
            library_with(
                "GLY", "GLX    1   0   0   0   0\n    1    P5     1   GLX    BB     1   0.000\n") +
                "GLY    1   0   0   0   0\n    1    P5     1   GLY    BB     1   0.000\n");
  expect_refused({"entry.pdb", "--library", "extra.dat"},
                 "residue GLY 1: no template of extra.dat is named GLY (the file holds more than "
                 "the 20 templates beadweave reads; the others are never read)");
  add_input("lys.dat", library_with("LYS",
                                    "LYS    2   0   0   0   0\n    1    P5     1   LYS    BB     1 "
                                    "  0.000\n    2    C3     1   LYS   SC1     2   0.000\n"));
  expect_refused({"entry.pdb", "--library", "lys.dat"},
                 "residue LYS 3: the mapping gives 3 beads (BB SC1 SC2), template LYS of lys.dat "
                 "has 2 beads (BB SC1)");
  // Of two templates with one name the later counts: a second GLY in the
  // place of VAL, with two beads.
  add_input("twogly.dat",
            library_with("VAL",
                         "GLY    2   0   0   0   0\n    1    P5     1   GLY    BB     1   0.000\n  "
                         "  2    C3     1   GLY   SC1     2   0.000\n"));
  expect_refused({"entry.pdb", "--library", "twogly.dat"},
                 "residue GLY 1: the mapping gives 1 beads (BB), template GLY of twogly.dat has 2 "
                 "beads (BB SC1)");
  add_input(
      "names.map",
      "bead GLY B N CA C O\nbead LYS BB N CA C O\nbead LYS SC1 CB CG CD\nbead LYS SC2 CE NZ\n");
  expect_refused({"entry.pdb", "--mapping", "names.map"},
                 "residue GLY 1: the mapping gives 1 beads (B), template GLY of beadlib.dat has 1 "
                 "beads (BB)");
}

TEST_F(RefusedRun, AReportThatCannotBeWrittenLeavesTheOutputsAsTheyWere) {
  testsupport::ProcessOptions full;
  full.output = testsupport::ProcessOptions::Output::file;
  full.output_file = "/dev/full";
  const auto fresh = testsupport::run_process(BEADMAP_PATH, {"entry.pdb", "--posre", "posre.itp"},
                                              dir_.path(), full);
  EXPECT_EQ(fresh.exit_status, 1);
  EXPECT_EQ(fresh.err, "beadmap: cannot write to standard output\n");
  EXPECT_EQ(directory_entries(dir_), inputs_);

  // Forced, the files in place stay as they were.
  add_input("pdb-CG.pdb", "old structure\n");
  add_input("posre.itp", "old restraints\n");
  const auto forced = testsupport::run_process(
      BEADMAP_PATH, {"entry.pdb", "--posre", "posre.itp", "--force"}, dir_.path(), full);
  EXPECT_EQ(forced.exit_status, 1);
  EXPECT_EQ(forced.err, "beadmap: cannot write to standard output\n");
  EXPECT_EQ(directory_entries(dir_), inputs_);
  EXPECT_EQ(dir_.read("pdb-CG.pdb"), "old structure\n");
  EXPECT_EQ(dir_.read("posre.itp"), "old restraints\n");
}

TEST_F(RefusedRun, CoordinatesThatAreNotFiniteNumbers) {
  // The N of glycine 1 at x = nan, 1e400 (beyond the reals) or inf.
  for (const char* x : {"     nan", "   1e400", "    -inf"}) {
    EntryBuilder entry;
    entry.line(std::string("ATOM      1  N   GLY A   1    ") + x +
               "   0.000   0.000  1.00  0.00           N");
    entry.atom("GLY", 'A', 1, "CA", 1, 0, 0).atom("GLY", 'A', 1, "C", 1, 1, 0);
    entry.atom("GLY", 'A', 1, "O", 2, 1, 1).backbone("GLY", 'A', 2, 3.8);
    add_input("odd.pdb", entry.text());
    expect_refused({"odd.pdb"},
                   "chain A: residue GLY 1: atom N has a coordinate that is not a finite number");
  }
}

TEST_F(RefusedRun, EndlessInputsAreRefusedNotReadWithoutEnd) {
  // /dev/zero gives zeros for ever, under any name.
  std::filesystem::create_symlink("/dev/zero", dir_.path() / "zero.pdb.gz");
  std::filesystem::create_symlink("/dev/zero", dir_.path() / "zero.map");
  std::filesystem::create_symlink("/dev/zero", dir_.path() / "zero.dat");
  inputs_ = directory_entries(dir_);
  expect_refused({"zero.pdb.gz"}, "cannot read zero.pdb.gz: not a file or a pipe");
  expect_refused({"entry.pdb", "--mapping", "zero.map"},
                 "cannot read zero.map: more than 64 MiB (not a mapping or library)");
  expect_refused({"entry.pdb", "--library", "zero.dat"},
                 "the template library cannot be used: zero.dat is not a file");
}

TEST_F(RefusedRun, AMissingChainNamesTwentyChainsAndCountsTheRest) {
  EntryBuilder many;
  const std::string ids = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 chains
  for (std::size_t c = 0; c < ids.size(); ++c) {
    many.backbone("GLY", ids[c], 1, 4.0 * static_cast<double>(c));
  }
  add_input("many.pdb", many.text());
  expect_refused({"many.pdb", "--chain", "Z"},
                 "the first model has no chain \"Z\" (its chains: A B C D E F G H I J K L M N O P "
                 "Q R S T and 5 more)");
}

TEST_F(RefusedRun, ForceReplacesRegularFilesAlone) {
  std::filesystem::create_symlink("beadlib.dat", dir_.path() / "link.pdb");
  ASSERT_EQ(::mkfifo((dir_.path() / "fifo.pdb").c_str(), 0600), 0);
  inputs_ = directory_entries(dir_);
  for (const char* name : {"link.pdb", "fifo.pdb"}) {
    expect_refused({"entry.pdb", "-o", name, "--force"},
                   std::string(name) +
                       " is not a regular file; it is not replaced (--force replaces regular "
                       "files only)");
  }
  EXPECT_TRUE(std::filesystem::is_symlink(dir_.path() / "link.pdb"));
  EXPECT_EQ(dir_.read("beadlib.dat"), example_library());
}

TEST_F(RefusedRun, NamesAsLongAsTheSystemAllowsAreWrittenAndReplaced) {
  const std::string longest = std::string(251, 's') + ".pdb";  // 255 bytes
  const std::string restraints = std::string(251, 'r') + ".itp";
  const auto fresh = run_beadmap(dir_, {"entry.pdb", "-o", longest, "--posre", restraints});
  ASSERT_EQ(fresh.exit_status, 0) << fresh.err;
  EXPECT_EQ(bead_records(dir_.read(longest)).size(), 5U);
  const auto forced =
      run_beadmap(dir_, {"entry.pdb", "-o", longest, "--posre", restraints, "--force"});
  ASSERT_EQ(forced.exit_status, 0) << forced.err;
  inputs_.push_back(restraints);
  inputs_.push_back(longest);
  std::sort(inputs_.begin(), inputs_.end());
  EXPECT_EQ(directory_entries(dir_), inputs_);  // nothing left beside them
}

TEST_F(RefusedRun, ExistingOutputsAreKeptWithoutForce) {
  add_input("pdb-CG.pdb", "old structure\n");
  expect_refused({"entry.pdb"},
                 "pdb-CG.pdb exists; it is not overwritten (use --force to replace it)");
  EXPECT_EQ(dir_.read("pdb-CG.pdb"), "old structure\n");

  // An existing posre.itp keeps the structure from being written too.
  add_input("posre.itp", "old restraints\n");
  expect_refused({"entry.pdb", "-o", "new.pdb", "--posre", "posre.itp"},
                 "posre.itp exists; it is not overwritten (use --force to replace it)");
  EXPECT_EQ(dir_.read("posre.itp"), "old restraints\n");

  const auto forced = run_beadmap(dir_, {"entry.pdb", "--posre", "posre.itp", "--force"});
  ASSERT_EQ(forced.exit_status, 0) << forced.err;
  EXPECT_EQ(bead_records(dir_.read("pdb-CG.pdb")).size(), 5U);  // GLY, GLY, LYS with 3 beads
  EXPECT_NE(dir_.read("posre.itp").find("[ position_restraints ]"), std::string::npos);
  EXPECT_EQ(directory_entries(dir_), inputs_);  // replaced in place, no file left over

  // One file under two spellings cannot take both outputs: the restraints
  // would replace the structure.
  std::filesystem::create_directory(dir_.path() / "restraints");
  inputs_ = directory_entries(dir_);
  for (const char* same : {"pdb-CG.pdb", "./pdb-CG.pdb", "restraints/../pdb-CG.pdb"}) {
    expect_refused({"entry.pdb", "--posre", same, "--force"},
                   "the structure and the position restraints cannot both go to pdb-CG.pdb");
  }
  EXPECT_EQ(bead_records(dir_.read("pdb-CG.pdb")).size(), 5U);

  // A forced run that cannot write the restraints leaves the old structure
  // as it was, not the new one beside an error.
  add_input("pdb-CG.pdb", "old structure\n");
  expect_refused({"entry.pdb", "--posre", "restraints", "--force"},
                 "restraints is not a regular file; it is not replaced (--force replaces regular "
                 "files only)");
  EXPECT_EQ(dir_.read("pdb-CG.pdb"), "old structure\n");
}

TEST_F(RefusedRun, CommandLinesThatCannotStandEndWithStatusTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"entry.pdb", "--bogus"}, {"entry.pdb", "-o"}, {"a.pdb", "b.pdb"}}) {
    const auto result = run_beadmap(dir_, args);
    EXPECT_EQ(result.exit_status, 2);
    EXPECT_TRUE(result.err.ends_with("\nTry 'beadmap --help'.\n")) << result.err;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(directory_entries(dir_), inputs_);

  const auto version = run_beadmap(dir_, {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_EQ(version.out, "beadmap " CGTOOLS_VERSION "\n");
  const auto help = run_beadmap(dir_, {"entry.pdb", "--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: beadmap INPUT")) << help.out;
  EXPECT_NE(help.out.find("| beadweave"), std::string::npos);  // the three-step path
  // The help names every option; exit statuses and messages are left to the
  // manual page, which it points to.
  for (const char* option :
       {"-o, --output", "--chain", "--library", "--mapping", "--posre", "--skip-incomplete",
        "--format", "--model", "--altloc", "--list", "--force", "--help", "--version"}) {
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  }
  EXPECT_NE(help.out.find("man beadmap"), std::string::npos) << help.out;
  EXPECT_EQ(directory_entries(dir_), inputs_);
}

}  // namespace
}  // namespace bmtest
