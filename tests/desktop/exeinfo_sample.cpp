// A program that carries a version record without its Comments key.
int main() { return 0; }
