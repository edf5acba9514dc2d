// The cheapest process this machine can start: the floor the benchmarks
// measure a whole run of the tool against. Linked statically, as the tool is.
int main() { return 0; }
