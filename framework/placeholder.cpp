namespace fw {}
