#pragma once

class CDocument;

// The driver items of the Options menu, in the capture-window menu that all
// capture windows share: each installed capture driver (0 to 9) by name.
class CDriverMenu {
public:
    // Lists the installed drivers in the shared menu of the document's template.
    static void Build(CDocument* pDocument);
};
