# The coarse-grained structure (pdb-CG.pdb) as a GROMACS structure file: nm,
# shifted into a box 3 nm larger than the protein on every axis.
#   awk -f cg-to-gro.awk pdb-CG.pdb > conf.gro
substr($0, 1, 4) == "ATOM" {
  n++
  name[n] = substr($0, 13, 4); gsub(/ /, "", name[n])
  res[n] = substr($0, 18, 3); resnr[n] = substr($0, 23, 4) + 0
  x[n] = substr($0, 31, 8) / 10; y[n] = substr($0, 39, 8) / 10; z[n] = substr($0, 47, 8) / 10
  if (n == 1) { lx = hx = x[n]; ly = hy = y[n]; lz = hz = z[n] }
  if (x[n] < lx) lx = x[n]; if (x[n] > hx) hx = x[n]
  if (y[n] < ly) ly = y[n]; if (y[n] > hy) hy = y[n]
  if (z[n] < lz) lz = z[n]; if (z[n] > hz) hz = z[n]
}
END {
  print "coarse-grained protein"
  print n
  for (i = 1; i <= n; i++)
    printf "%5d%-5s%5s%5d%8.3f%8.3f%8.3f\n", resnr[i] % 100000, res[i], name[i], i % 100000,
           x[i] - lx + 1.5, y[i] - ly + 1.5, z[i] - lz + 1.5
  printf "%10.5f%10.5f%10.5f\n", hx - lx + 3, hy - ly + 3, hz - lz + 3
}
