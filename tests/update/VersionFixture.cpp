// The smallest program carrying a version note: the tests copy it and rewrite its version.
int main() { return 0; }
