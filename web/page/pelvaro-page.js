// Form1 as a page. The engine (pelvaro-engine.js, WebAssembly) gives the
// window's description and works out the number; this script lays the page
// out by the description, passes the text in and the digits out, and loads a
// code page's table when it is chosen. It keeps nothing: no cookie, no storage.
"use strict";

(() => {
  const defaultCodePage = 1252;

  // The code page Windows takes from the system's locale, taken here from the
  // browser's preferred language: [code page, name, language subtags].
  const codePages = [
    [874, "Thai", ["th"]],
    [932, "Japanese", ["ja"]],
    [936, "Chinese (Simplified)", ["zh", "zh-cn", "zh-sg", "zh-hans"]],
    [949, "Korean", ["ko"]],
    [950, "Chinese (Traditional)", ["zh-tw", "zh-hk", "zh-mo", "zh-hant"]],
    [1250, "Central European", ["cs", "pl", "sk", "hu", "sl", "hr", "ro", "sq", "bs", "sr-latn"]],
    [1251, "Cyrillic", ["ru", "uk", "be", "bg", "sr", "mk", "kk", "ky", "mn", "tt", "ba", "sah", "tg", "az-cyrl", "uz-cyrl"]],
    [1252, "Western European", []],
    [1253, "Greek", ["el"]],
    [1254, "Turkish", ["tr", "az", "uz"]],
    [1255, "Hebrew", ["he", "iw", "yi"]],
    [1256, "Arabic", ["ar", "fa", "ur", "ug"]],
    [1257, "Baltic", ["et", "lv", "lt"]],
    [1258, "Vietnamese", ["vi"]],
    [65001, "UTF-8", []],
  ];

  // The code page of a language tag: its longest listed prefix decides
  // ("zh-Hant-TW" is "zh-hant", "sr-Latn-RS" is "sr-latn", "pt-BR" none).
  function codePageForLanguage(tag) {
    const subtags = String(tag || "").toLowerCase().split(/[-_]/);
    for (let length = subtags.length; length > 0; length--) {
      const prefix = subtags.slice(0, length).join("-");
      const match = codePages.find(([, , tags]) => tags.includes(prefix));
      if (match) return match[0];
    }
    return defaultCodePage;
  }

  function codePageName(codePage) {
    const entry = codePages.find(([number]) => number === codePage);
    return entry ? `${codePage} ${entry[1]}` : String(codePage);
  }

  const byId = (id) => document.getElementById(id);
  let engine = null;
  let codePageInUse = 0;
  const pendingTables = new Map();  // code page -> {resolve, reject} while its script loads

  // ---- The window, laid out by its description ------------------------------

  function description() {
    return JSON.parse(engine.UTF8ToString(engine._pelvaro_form1_description()));
  }

  function layOut(form1) {
    document.title = form1.title;
    byId("Form1-title").textContent = form1.title;
    byId("About-title").textContent = form1.title;
    byId("About-text").textContent = form1.aboutText.replace(/\r\n/g, "\n");
    const client = byId("Form1-client");
    client.style.width = `${form1.clientWidth}px`;
    client.style.height = `${form1.clientHeight}px`;
    client.style.fontSize = `${form1.fontHundredthsOfPoint / 100}pt`;
    for (const control of form1.controls) {
      const element = byId(control.name);
      element.style.left = `${control.left}px`;
      element.style.top = `${control.top}px`;
      element.style.width = `${control.width}px`;
      element.style.height = `${control.height}px`;
      if (control.caption !== "") element.textContent = control.caption;
    }
  }

  // Each caption stands on one line in its box. Where the system lacks
  // "MS Sans Serif", the face that stands in for it may be a little wider:
  // that caption's text is then made just small enough to fit.
  function fitCaptions(form1) {
    for (const control of form1.controls) {
      const element = byId(control.name);
      if (control.caption === "") continue;
      let size = parseFloat(getComputedStyle(element).fontSize);
      while (element.scrollWidth > element.clientWidth && size > 6) {
        size -= 0.25;
        element.style.fontSize = `${size}px`;
      }
    }
  }

  // A window wider than the screen is scaled down to fit, never scrolled.
  function fitToScreen() {
    const form1 = byId("Form1");
    const desk = form1.parentElement;
    const style = getComputedStyle(desk);
    const room = desk.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    const scale = Math.min(1, room / form1.offsetWidth);
    form1.style.transform = scale < 1 ? `scale(${scale})` : "";
    form1.style.marginBottom = scale < 1 ? `${form1.offsetHeight * (scale - 1)}px` : "";
    form1.style.marginRight = scale < 1 ? `${form1.offsetWidth * (scale - 1)}px` : "";
  }

  // ---- Event procedures ----------------------------------------------------

  // Work out: the id number of Text1's 16-bit units, as the engine gives it.
  function Command1_Click() {
    const text = byId("Text1").value;
    const address = engine._pelvaro_text_buffer(text.length);
    const units = new Uint16Array(engine.HEAPU16.buffer, address, text.length);
    for (let i = 0; i < text.length; i++) units[i] = text.charCodeAt(i);
    const digits = engine.UTF8ToString(engine._pelvaro_work_out(codePageInUse, text.length));
    if (digits === "") {
      showError(`Code page ${codePageInUse} is not available.`);
      return;
    }
    byId("Text2").value = digits;
  }

  // About: the credits in a modal box titled with the window's title; OK or
  // Esc closes it and the focus goes back where it was, at once.
  let aboutReturnTo = null;

  function Label3_Click(event) {
    event.preventDefault();
    aboutReturnTo = document.activeElement;
    byId("About-title").textContent = document.title;
    byId("About").showModal();
    byId("About-OK").focus();
  }

  function closeAbout() {
    byId("About").close();
    if (aboutReturnTo && aboutReturnTo.isConnected) aboutReturnTo.focus();
    aboutReturnTo = null;
  }

  // ---- Code pages ------------------------------------------------------------

  // The data a script of the page carries in base64 (pelvaro-engine-wasm.js,
  // pelvaro-cpN.js): a browser fetches no file opened from the disk.
  function bytesOfBase64(base64) {
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // Called by a table's script, pelvaro-cpN.js, with the table in base64.
  window.pelvaroCodePageData = (codePage, base64) => {
    const pending = pendingTables.get(codePage);
    if (!pending) return;
    const bytes = bytesOfBase64(base64);
    const address = engine._pelvaro_data_buffer(bytes.length);
    new Uint8Array(engine.HEAPU8.buffer, address, bytes.length).set(bytes);
    if (engine._pelvaro_add_code_page(codePage, bytes.length)) pending.resolve();
    else pending.reject(new Error(`the table of code page ${codePage} is damaged`));
  };

  function loadTable(codePage) {
    if (engine._pelvaro_has_code_page(codePage)) return Promise.resolve();
    return new Promise((resolve, reject) => {
      const script = document.createElement("script");
      const done = () => { pendingTables.delete(codePage); script.remove(); };
      pendingTables.set(codePage, {
        resolve: () => { done(); resolve(); },
        reject: (error) => { done(); reject(error); },
      });
      script.src = `pelvaro-cp${codePage}.js`;
      script.onerror = () => pendingTables.get(codePage)?.reject(new Error(`pelvaro-cp${codePage}.js did not load`));
      script.onload = () => pendingTables.get(codePage)?.reject(new Error(`pelvaro-cp${codePage}.js gave no table`));
      document.head.append(script);
    });
  }

  // The latest choice wins: a table that arrives after another choice was
  // made is kept by the engine but not put in use.
  let choices = 0;

  async function useCodePage(codePage) {
    const select = byId("code-page");
    const status = byId("code-page-status");
    const choice = ++choices;
    status.textContent = `Loading code page ${codePageName(codePage)}…`;
    try {
      await loadTable(codePage);
      if (choice !== choices) return;
      codePageInUse = codePage;
      status.textContent = `In use: code page ${codePageName(codePage)}.`;
    } catch (error) {
      if (choice !== choices) return;
      status.textContent = `Code page ${codePage} could not be loaded (${error.message}); ` +
        `still in use: ${codePageName(codePageInUse)}.`;
    }
    select.value = String(codePageInUse);
    document.documentElement.dataset.codePage = String(codePageInUse);
  }

  function setUpCodePages(choosable, first) {
    const select = byId("code-page");
    for (const codePage of choosable) select.add(new Option(codePageName(codePage), String(codePage)));
    select.value = String(first);
    select.addEventListener("change", () => useCodePage(Number(select.value)));
    byId("code-page-panel").hidden = false;
  }

  // ---- Start-up ----------------------------------------------------------------

  function showError(message) {
    const note = byId("page-error");
    note.textContent = message;
    note.hidden = false;
  }

  async function start() {
    engine = await PelvaroEngine({ wasmBinary: bytesOfBase64(self.pelvaroEngineWasm) });
    const form1 = description();
    layOut(form1);
    byId("Command1").addEventListener("click", Command1_Click);
    byId("Label3").addEventListener("click", Label3_Click);
    byId("About-OK").addEventListener("click", closeAbout);
    byId("About").addEventListener("cancel", (event) => {
      event.preventDefault();
      closeAbout();
    });
    byId("Form1").hidden = false;
    fitCaptions(form1);
    fitToScreen();
    window.addEventListener("resize", fitToScreen);
    byId("Text1").focus();
    const languageCodePage = codePageForLanguage((navigator.languages || [])[0] || navigator.language);
    const first = form1.codePages.includes(languageCodePage) ? languageCodePage : defaultCodePage;
    codePageInUse = defaultCodePage;
    setUpCodePages(form1.codePages, first);
    await useCodePage(first);
    document.documentElement.dataset.ready = "true";
  }

  start().catch((error) => showError(`The page could not start: ${error.message}`));
})();
