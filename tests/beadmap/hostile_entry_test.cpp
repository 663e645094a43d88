// Entries that the structure library alone would read wrongly, and inputs
// that fail or never end: numbers beyond the library's int refused before
// they wrap, residue number -999 kept, a failed read refused, compressed
// padding read no further than a bound, and an mmCIF value outside ASCII
// named. Each refusal: status 1, one line, nothing written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "beadmap_runs.hpp"

namespace bmtest {
namespace {

// A glycine of four backbone atoms, in mmCIF: its _atom_site.id from
// `first_id`, label_seq_id and auth_seq_id as given (text), chain `chain`.
// The atoms stand where EntryBuilder::backbone puts them at x = 0, so that
// the bead is at (1, 0.5, 0.25).
std::string cif_glycine(const std::string& first_id, const std::string& label_seq,
                        const std::string& auth_seq, const std::string& chain = "A") {
  std::string text =
      "data_test\nloop_\n_atom_site.group_PDB\n_atom_site.id\n_atom_site.type_symbol\n"
      "_atom_site.label_atom_id\n_atom_site.label_alt_id\n_atom_site.label_comp_id\n"
      "_atom_site.label_asym_id\n_atom_site.label_entity_id\n_atom_site.label_seq_id\n"
      "_atom_site.pdbx_PDB_ins_code\n_atom_site.Cartn_x\n_atom_site.Cartn_y\n"
      "_atom_site.Cartn_z\n_atom_site.occupancy\n_atom_site.B_iso_or_equiv\n"
      "_atom_site.auth_seq_id\n_atom_site.auth_asym_id\n_atom_site.pdbx_PDB_model_num\n";
  const char* names[] = {"N", "CA", "C", "O"};
  const char* places[] = {"0 0 0", "1 0 0", "1 1 0", "2 1 1"};
  for (int a = 0; a < 4; ++a) {
    const std::string id = a == 0 ? first_id : std::to_string(a + 1);
    text += "ATOM " + id + " " + names[a][0] + " " + names[a] + " . GLY A 1 " + label_seq + " ? " +
            places[a] + " 1 0 " + auth_seq + " " + chain + " 1\n";
  }
  return text;
}

// The same glycine in mmJSON, auth_seq_id written as `auth_seq`, the
// label_seq_id of each atom as `label_seq`.
std::string json_glycine(const std::string& auth_seq, const std::string& label_seq = "1") {
  return R"({"data_test": {"atom_site": {
 "group_PDB": ["ATOM", "ATOM", "ATOM", "ATOM"], "id": [1, 2, 3, 4],
 "type_symbol": ["N", "C", "C", "O"], "label_atom_id": ["N", "CA", "C", "O"],
 "label_alt_id": [null, null, null, null], "label_comp_id": ["GLY", "GLY", "GLY", "GLY"],
 "label_asym_id": ["A", "A", "A", "A"], "label_seq_id": [)" +
         label_seq + ", " + label_seq + ", " + label_seq + ", " + label_seq + R"(],
 "Cartn_x": [0, 1, 1, 2], "Cartn_y": [0, 0, 1, 1], "Cartn_z": [0, 0, 0, 1],
 "occupancy": [1, 1, 1, 1], "B_iso_or_equiv": [0, 0, 0, 0],
 "auth_seq_id": [)" +
         auth_seq + ", " + auth_seq + ", " + auth_seq + ", " + auth_seq + R"(],
 "auth_asym_id": ["A", "A", "A", "A"], "pdbx_PDB_model_num": [1, 1, 1, 1]}}}
)";
}

// A record of 80 columns with `fields` written from their first column
// (1-based).
std::string record(const std::vector<std::pair<std::size_t, std::string>>& fields) {
  std::string line(80, ' ');
  for (const auto& [column, text] : fields) line.replace(column - 1, text.size(), text);
  return line;
}

std::string residue_number_columns(const std::string& bead_record) {
  return bead_record.substr(22, 4);
}

class HostileEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("beadlib.dat", example_library());
    dir_.write("entry.pdb", EntryBuilder().backbone("GLY", 'A', 1, 0.0).text());
    inputs_ = directory_entries(dir_);
  }
  void add_input(const std::string& name, const std::string& content) {
    dir_.write(name, content);
    inputs_ = directory_entries(dir_);
  }
  void expect_refused(const testsupport::ProcessResult& result, const std::string& message) {
    EXPECT_EQ(result.exit_status, 1) << message;
    EXPECT_EQ(result.err, "beadmap: " + message + "\n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(directory_entries(dir_), inputs_) << message;
  }
  void expect_refused(const std::vector<std::string>& args, const std::string& message) {
    expect_refused(run_beadmap(dir_, args), message);
  }

  testsupport::ScratchDir dir_;
  std::vector<std::string> inputs_;
};

const std::string beyond_int = ": a number outside the reader's range (-2147483647 to 2147483647)";

TEST_F(HostileEntry, NumbersBeyondTheReadersIntAreRefusedBeforeTheyWrap) {
  // 4294967297 is 2^32 + 1: wrapped, residue 1.
  add_input("auth.cif", cif_glycine("1", "1", "4294967297"));
  expect_refused({"auth.cif"},
                 "cannot read auth.cif: _atom_site.auth_seq_id 4294967297" + beyond_int);
  add_input("label.cif", cif_glycine("1", "99999999999", "1"));
  expect_refused({"label.cif"},
                 "cannot read label.cif: _atom_site.label_seq_id 99999999999" + beyond_int);
  add_input("id.cif", cif_glycine("4294967297", "1", "1"));
  expect_refused({"id.cif"}, "cannot read id.cif: _atom_site.id 4294967297" + beyond_int);
  // 2147483648 is one past the largest int; -2147483648 the least, which
  // the reader would take one from in _entity_poly_seq.num.
  add_input("edge.cif", cif_glycine("1", "1", "2147483648"));
  expect_refused({"edge.cif"},
                 "cannot read edge.cif: _atom_site.auth_seq_id 2147483648" + beyond_int);
  add_input("least.cif", cif_glycine("1", "1", "1") +
                             "loop_\n_entity_poly_seq.entity_id\n_entity_poly_seq.num\n"
                             "_entity_poly_seq.mon_id\n1 -2147483648 GLY\n");
  expect_refused({"least.cif"},
                 "cannot read least.cif: _entity_poly_seq.num -2147483648" + beyond_int);
  add_input("low.cif", cif_glycine("1", "1", "-2147483649"));
  expect_refused({"low.cif"},
                 "cannot read low.cif: _atom_site.auth_seq_id -2147483649" + beyond_int);
  add_input("auth.json", json_glycine("4294967297"));
  expect_refused({"auth.json"},
                 "cannot read auth.json: _atom_site.auth_seq_id 4294967297" + beyond_int);
  add_input("label.json", json_glycine("1", "-99999999999"));
  expect_refused({"label.json"},
                 "cannot read label.json: _atom_site.label_seq_id -99999999999" + beyond_int);
  // DBREF2: database sequence numbers in columns 46-55 and 58-67.
  const std::string dbref1 = record({{1, "DBREF1"}, {8, "1ABC"}, {13, "A"}, {27, "UNP"}});
  add_input(
      "dbref.pdb",
      EntryBuilder()
          .line(dbref1)
          .line(record(
              {{1, "DBREF2"}, {8, "1ABC"}, {13, "A"}, {46, "4294967297"}, {58, "        76"}}))
          .backbone("GLY", 'A', 1, 0.0)
          .text());
  expect_refused({"dbref.pdb"}, "cannot read dbref.pdb: line 2: DBREF2 columns 46-55 hold " +
                                    std::string("4294967297") + beyond_int);
  add_input("dbref_end.pdb",
            EntryBuilder()
                .line(dbref1)
                .line(record({{1, "DBREF2"}, {46, "         1"}, {58, "9999999999"}}))
                .backbone("GLY", 'A', 1, 0.0)
                .text());
  expect_refused(
      {"dbref_end.pdb"},
      "cannot read dbref_end.pdb: line 2: DBREF2 columns 58-67 hold 9999999999" + beyond_int);
  // The largest int is a number like any other.
  add_input("largest.cif", cif_glycine("2147483647", "1", "1"));
  const auto largest = run_beadmap(dir_, {"largest.cif"});
  EXPECT_EQ(largest.exit_status, 0) << largest.err;
}

TEST_F(HostileEntry, AssemblyOperatorRangesAreBoundedAndWithinInt) {
  // An assembly whose operator expression names a range of operators,
  // which the reader makes one by one: more than 100000 of them, a number
  // beyond int, or a range up to the largest int (counted past it).
  const auto assembly = [](const std::string& operators) {
    return cif_glycine("1", "1", "1") +
           "loop_\n_pdbx_struct_assembly.id\n_pdbx_struct_assembly.details\n"
           "_pdbx_struct_assembly.method_details\n_pdbx_struct_assembly.oligomeric_details\n"
           "_pdbx_struct_assembly.oligomeric_count\n1 author_defined_assembly ? monomeric 1\n"
           "loop_\n_pdbx_struct_assembly_gen.assembly_id\n"
           "_pdbx_struct_assembly_gen.oper_expression\n_pdbx_struct_assembly_gen.asym_id_list\n"
           "1 " +
           operators + " A\n";
  };
  const std::string expression = "_pdbx_struct_assembly_gen.oper_expression ";
  add_input("many.cif", assembly("(1-50000,50001-100001)"));
  expect_refused({"many.cif"}, "cannot read many.cif: " + expression +
                                   "(1-50000,50001-100001): more than 100000 operators");
  // A reader that makes those operators would make the next ones without
  // end: stop here.
  if (HasFailure()) return;
  add_input("wide.cif", assembly("(1-99999999999)"));
  expect_refused({"wide.cif"},
                 "cannot read wide.cif: " + expression + "(1-99999999999)" + beyond_int);
  add_input("last.cif", assembly("(2147483640-2147483647)"));
  expect_refused({"last.cif"}, "cannot read last.cif: " + expression +
                                   "(2147483640-2147483647): a range up to 2147483647, past "
                                   "which the reader would count");
  add_input("sixty.cif", assembly("(1-60)"));
  const auto sixty = run_beadmap(dir_, {"sixty.cif", "-o", "sixty.pdb"});
  EXPECT_EQ(sixty.exit_status, 0) << sixty.err;
}

TEST_F(HostileEntry, ResidueNumberMinus999IsKeptAndAMissingNumberStillRefused) {
  add_input("minus.pdb", EntryBuilder().backbone("GLY", 'A', -999, 0.0).text());
  add_input("minus.cif", cif_glycine("1", "1", "-999"));
  add_input("minus.json", json_glycine("-999"));
  for (const char* name : {"minus.pdb", "minus.cif", "minus.json"}) {
    const std::string output = std::string(name) + ".cg";
    const auto result = run_beadmap(dir_, {name, "-o", output});
    ASSERT_EQ(result.exit_status, 0) << name << ": " << result.err;
    const auto beads = bead_records(dir_.read(output));
    ASSERT_EQ(beads.size(), 1U) << name;
    EXPECT_EQ(residue_number_columns(beads[0]), "-999") << name;
  }
  inputs_ = directory_entries(dir_);
  // Blank columns 23-26, and "?" in mmCIF: no number.
  EntryBuilder blank;
  for (const std::string& line : lines_of(EntryBuilder().backbone("GLY", 'A', 1, 0.0).text())) {
    if (line.starts_with("ATOM")) blank.line(line.substr(0, 22) + "    " + line.substr(26));
  }
  add_input("blank.pdb", blank.text());
  expect_refused({"blank.pdb"}, "residue GLY has no residue number");
  add_input("absent.cif", cif_glycine("1", "1", "?"));
  expect_refused({"absent.cif"}, "residue GLY has no residue number");
}

TEST_F(HostileEntry, AFailedReadEndsTheRunAndIsNeverTakenForTheEnd) {
  add_input("entry.pdb.gz", compressed(dir_, dir_.read("entry.pdb")));
  // The loader splits LD_PRELOAD at blanks and colons, which the build's
  // path may hold: the shim is preloaded from a copy in the run's
  // directory, by a relative path.
  std::filesystem::copy_file(READ_FAILURE_SHIM, dir_.path() / "read_failure_shim.so");
  inputs_ = directory_entries(dir_);
  const std::string preload = "LD_PRELOAD=./read_failure_shim.so";
  const std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
  // The second read of the file: the whole entry has come, the read that
  // would find its end fails.
  const auto run = [&](const std::string& file, const std::vector<std::string>& args,
                       bool as_standard_input) {
    std::vector<std::string> command = {
        preload, "READ_FAILURE_PATH=" + (dir_.path() / file).string(),
        "READ_FAILURE_AT=2", "ASAN_OPTIONS=" + asan + ":verify_asan_link_order=0", BEADMAP_PATH};
    command.insert(command.end(), args.begin(), args.end());
    testsupport::ProcessOptions options;
    if (as_standard_input) options.input_file = dir_.path() / file;
    return testsupport::run_process("/usr/bin/env", command, dir_.path(), options);
  };
  expect_refused(run("entry.pdb", {"entry.pdb"}, false),
                 "cannot read entry.pdb: Input/output error");
  expect_refused(run("entry.pdb.gz", {"entry.pdb.gz"}, false),
                 "cannot read entry.pdb.gz: Input/output error");
  expect_refused(run("entry.pdb", {"-", "--format", "pdb"}, true),
                 "cannot read standard input: Input/output error");
  // Without a failing read, the same run maps the glycine.
  const auto whole = testsupport::run_process(
      "/usr/bin/env",
      {preload, "ASAN_OPTIONS=" + asan + ":verify_asan_link_order=0", BEADMAP_PATH, "entry.pdb"},
      dir_.path());
  EXPECT_EQ(whole.exit_status, 0) << whole.err;
}

TEST_F(HostileEntry, CompressedPaddingIsReadNoFurtherThanItsBound) {
  // Empty gzip members one after another give no text at all: 5 MiB of
  // them (beyond the 4 MiB allowed), then the entry.
  const std::string empty_member = compressed(dir_, "");
  std::string padding;
  while (padding.size() <= (std::size_t{5} << 20)) padding += empty_member;
  add_input("padded.pdb.gz", padding + compressed(dir_, dir_.read("entry.pdb")));
  const std::string reason = ": compressed data far beyond the text they give (not an entry)";
  expect_refused({"padded.pdb.gz"}, "cannot read padded.pdb.gz" + reason);
  testsupport::ProcessOptions from_file;
  from_file.input_file = dir_.path() / "padded.pdb.gz";
  expect_refused(
      testsupport::run_process(BEADMAP_PATH, {"-", "--format", "pdb"}, dir_.path(), from_file),
      "cannot read standard input" + reason);
  // A little padding is no harm: the entry is read.
  add_input("some.pdb.gz", padding.substr(0, empty_member.size() * 100) +
                               compressed(dir_, dir_.read("entry.pdb")));
  const auto some = run_beadmap(dir_, {"some.pdb.gz"});
  EXPECT_EQ(some.exit_status, 0) << some.err;
}

TEST_F(HostileEntry, AnUnquotedMmcifChainNameOutsideAsciiIsNamed) {
  // "é" in UTF-8: two bytes, neither ASCII; the first atom row is line 21.
  add_input("utf8.cif", cif_glycine("1", "1", "1", "\xc3\xa9"));
  expect_refused({"utf8.cif"},
                 "cannot read utf8.cif: chain \"\xc3\xa9\" (_atom_site.auth_asym_id, line 21): "
                 "characters outside printable ASCII, which an unquoted mmCIF value cannot hold");
  // A control character in the name is shown escaped.
  add_input("control.cif", cif_glycine("1", "1", "1", "\xc3\xa9\x1b"));
  expect_refused(
      {"control.cif"},
      "cannot read control.cif: chain \"\xc3\xa9\\x1b\" (_atom_site.auth_asym_id, "
      "line 21): characters outside printable ASCII, which an unquoted mmCIF value cannot hold");
}

}  // namespace
}  // namespace bmtest
