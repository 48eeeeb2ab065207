// A DLL that a test puts beside its program, as somebody could plant one there.
__declspec(dllexport) int zr_planted(void) {
    return 1;
}
