// A program that does nothing, linked as pairprobe is: timed beside
// pairprobe by bench/pairprobe_fixed_cost.sh, it shows what starting and
// ending a process costs on the machine at hand, and what the measuring
// tool's own child costs before it starts the program, in the same minutes.
int main() { return 0; }
