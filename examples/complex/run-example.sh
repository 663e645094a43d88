#!/usr/bin/env bash
# A complex of two chains as one molecule: PDB 4ZHL, the protease domain of
# urokinase (chain U) with the peptide inhibitor mupain-1-IG bound to it
# (chain P) and crystal waters. beadbuild maps both chains and merges them
# (--merge U,P), so that the elastic network joins the peptide to the
# protease; the waters are left out. Then gmx grompp preprocesses the system
# directory's em.mdp, with position restraints on the backbone beads, and
# gmx mdrun runs 50 steps of steepest descent. Prints what beadbuild built,
# the elastic network bonds between the two chains and the final potential
# energy.
#
# Usage: run-example.sh
# Environment: CGTOOLS_BIN, CGTOOLS_SCRATCH, as ../example-env.sh says (the
# system directory is complex-example); the example directory itself is only
# read, so the installed copy works as well.
set -euo pipefail

example=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
entry=$example/4ZHL.cif.gz

source "$example/../example-env.sh"
example_gromacs

example_beadbuild complex-example "$entry" --merge U,P --posre

read -r steps energy < <(example_minimise yes)

echo "complex example: 4ZHL.cif.gz -> beadbuild --merge U,P --posre -> gmx grompp + mdrun"
sed 's/^/  /' beadbuild.log
echo "  [ molecules ] of topol.top: $(sed -n '/^\[ molecules \]/,$p' topol.top | grep -v '^[[;]' | xargs)"
# The beads of each chain, from system.pdb (one molecule: its serial numbers
# are the bead numbers of protein_U_P.itp).
awk '/^ATOM/ { chain = substr($0, 22, 1); serial = substr($0, 7, 5) + 0
               if (!(chain in first)) { first[chain] = serial; order[++n] = chain }
               last[chain] = serial }
     END { for (i = 1; i <= n; i++) line = line sprintf("%schain %s beads %d-%d", (i > 1 ? ", " : ""),
                                                      order[i], first[order[i]], last[order[i]])
           print "  protein_U_P.itp:     " line }' system.pdb
# The elastic network: the bonds after the comment that opens it, up to the
# template bonds.
awk 'FNR == NR { if (/^ATOM/) chain[substr($0, 7, 5) + 0] = substr($0, 22, 1); next }
     /^; at least i-i\+3/ { inside = 1; next }
     /^; bonds between Ca and SC1/ || /^\[/ { inside = 0 }
     inside && /^ *[0-9]/ { total++; if (chain[$1] != chain[$2]) across++ }
     END { printf "  elastic network:     %d bonds, %d of them between chains U and P\n", total, across }' \
  system.pdb protein_U_P.itp
echo "  position restraints: on ($(grep -c '^ *[0-9]' posre_protein_U_P.itp) backbone beads)"
echo "  energy minimisation: $steps steepest-descent steps (em-50.mdp)"
echo "  potential energy:    $energy kJ/mol"
echo "  files:               $PWD"
