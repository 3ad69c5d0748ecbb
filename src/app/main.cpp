// Placeholder entry; replaced by the real program entry.
int main() {
    return 0;
}
