// Form1 as a page. The engine (pelvaro-engine.js, WebAssembly) gives the
// window's description, the code pages it offers, and works out the number;
// this script lays the page out by the description, passes the text in and
// the digits out, and loads a code page's table when it is chosen. It keeps
// nothing of what is typed: no cookie, no storage.
"use strict";

(() => {
  const defaultCodePage = 1252;

  // What the page says of a code page the engine offers, by its number: its
  // name, and the languages (subtags, lower case) whose systems Windows sets
  // to it, as Windows takes the code page from the system's locale.
  const codePageFacts = {
    874: ["Thai", ["th"]],
    932: ["Japanese", ["ja"]],
    936: ["Chinese (Simplified)", ["zh", "zh-cn", "zh-sg", "zh-hans"]],
    949: ["Korean", ["ko"]],
    950: ["Chinese (Traditional)", ["zh-tw", "zh-hk", "zh-mo", "zh-hant"]],
    1250: ["Central European", ["cs", "pl", "sk", "hu", "sl", "hr", "ro", "sq", "bs", "sr-latn"]],
    1251: ["Cyrillic", ["ru", "uk", "be", "bg", "sr", "mk", "kk", "ky", "mn", "tt", "ba", "sah", "tg", "az-cyrl", "uz-cyrl"]],
    1252: ["Western European", []],
    1253: ["Greek", ["el"]],
    1254: ["Turkish", ["tr", "az", "uz"]],
    1255: ["Hebrew", ["he", "iw", "yi"]],
    1256: ["Arabic", ["ar", "fa", "ur", "ug"]],
    1257: ["Baltic", ["et", "lv", "lt"]],
    1258: ["Vietnamese", ["vi"]],
    65001: ["UTF-8", []],
  };

  // The code page of a language tag among those offered: its longest listed
  // prefix decides ("zh-Hant-TW" is "zh-hant", "sr-Latn-RS" is "sr-latn",
  // "pt-BR" none, which gives the default).
  function codePageForLanguage(tag, offered) {
    const subtags = String(tag || "").toLowerCase().split(/[-_]/);
    for (let length = subtags.length; length > 0; length--) {
      const prefix = subtags.slice(0, length).join("-");
      const match = offered.find((codePage) => codePageFacts[codePage]?.[1].includes(prefix));
      if (match !== undefined) return match;
    }
    return defaultCodePage;
  }

  function codePageName(codePage) {
    const facts = codePageFacts[codePage];
    return facts ? `${codePage} ${facts[0]}` : String(codePage);
  }

  const byId = (id) => document.getElementById(id);
  let engine = null;
  let codePageInUse = 0;

  // ---- The window, laid out by its description ------------------------------

  function description() {
    return JSON.parse(engine.UTF8ToString(engine._pelvaro_form1_description()));
  }

  // Each box goes to the stylesheet as custom properties, which the window's
  // layout uses and the one-column layout leaves aside.
  function setBox(element, box) {
    for (const [property, pixels] of Object.entries(box)) element.style.setProperty(`--${property}`, `${pixels}px`);
  }

  function layOut(form1) {
    document.title = form1.title;
    byId("Form1-title").textContent = form1.title;
    byId("About-title").textContent = form1.title;
    byId("About-text").textContent = form1.aboutText.replace(/\r\n/g, "\n");
    const client = byId("Form1-client");
    setBox(client, { "client-width": form1.clientWidth, "client-height": form1.clientHeight });
    client.style.setProperty("--window-font-size", `${form1.fontHundredthsOfPoint / 100}pt`);
    for (const control of form1.controls) {
      const element = byId(control.name);
      setBox(element, { left: control.left, top: control.top, width: control.width, height: control.height });
      if (control.caption !== "") element.textContent = control.caption;
    }
  }

  // Each caption stands on one line in its box. Where the system lacks
  // "MS Sans Serif", the face that stands in for it may be a little wider:
  // that caption's text is then made just small enough to fit (not below
  // 6 px). Measured in the window's layout only.
  function fitCaptions(form1) {
    for (const control of form1.controls) {
      const element = byId(control.name);
      if (control.caption === "") continue;
      let size = parseFloat(getComputedStyle(element).fontSize);
      while (element.scrollWidth > element.clientWidth && size > 6) {
        size -= 0.25;
        element.style.setProperty("--fitted-font-size", `${size}px`);
      }
    }
  }

  // Where the window does not fit at full size, the page shows its controls
  // in one column, sized for a finger (pelvaro.css, .one-column); elsewhere
  // it is the window, pixel for pixel. The width it needs is measured from
  // the window as laid out, with the page's margins.
  function oneColumnQuery() {
    const form1 = byId("Form1");
    const desk = getComputedStyle(form1.parentElement);
    const needed = form1.offsetWidth + parseFloat(desk.paddingLeft) + parseFloat(desk.paddingRight);
    return matchMedia(`not all and (min-width: ${needed}px)`);
  }

  function followScreenWidth(form1) {
    const oneColumn = oneColumnQuery();
    let fitted = false;
    const apply = () => {
      document.documentElement.classList.toggle("one-column", oneColumn.matches);
      if (!oneColumn.matches && !fitted) {
        fitCaptions(form1);
        fitted = true;
      }
    };
    apply();
    oneColumn.addEventListener("change", apply);
    return oneColumn;
  }

  // ---- Event procedures ----------------------------------------------------

  // The number of the text in the code page in use, as the engine gives it
  // from the text's 16-bit units; empty when the code page is not there.
  function workOut(text) {
    const address = engine._pelvaro_text_buffer(text.length);
    const units = new Uint16Array(engine.HEAPU16.buffer, address, text.length);
    for (let i = 0; i < text.length; i++) units[i] = text.charCodeAt(i);
    return engine.UTF8ToString(engine._pelvaro_work_out(codePageInUse, text.length));
  }

  // Work out: Text1's number in the code page the picker shows. While that
  // code page's table loads, the click waits for it (the line beside the
  // picker says so) and then shows the number of the text as it was at the
  // click; a later click takes over from a waiting one.
  let clicks = 0;
  const waitNote = " Work out shows the number when it is in.";

  async function Command1_Click() {
    const text = byId("Text1").value;
    const click = ++clicks;
    if (choosing) {
      const status = byId("code-page-status");
      if (!status.textContent.endsWith(waitNote)) status.textContent += waitNote;
      while (choosing) await choosing;
    }
    if (click !== clicks) return;
    const digits = workOut(text);
    if (digits === "") {
      showError(`Code page ${codePageInUse} is not available.`);
      return;
    }
    byId("Text2").value = digits;
  }

  // The Go key of a phone's keyboard works out the number in the one-column
  // layout, where a phone has no other quick way to press the button; the
  // window keeps its rule: no default button, Enter presses nothing.
  function Text1_KeyDown(event, oneColumn) {
    if (event.key !== "Enter" || event.isComposing || !oneColumn.matches) return;
    event.preventDefault();
    Command1_Click();
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

  const pendingTables = new Map();  // a table's script element -> {codePage, resolve, reject} while it loads
  const loadingTables = new Map();  // code page -> its loading, shared by every choice of it

  // Hands a table to the engine, which checks that its data carry the code
  // page's number and are whole.
  function addTable(codePage, base64) {
    try {
      const bytes = bytesOfBase64(base64);
      const address = engine._pelvaro_data_buffer(bytes.length);
      new Uint8Array(engine.HEAPU8.buffer, address, bytes.length).set(bytes);
      return engine._pelvaro_add_code_page(codePage, bytes.length) === 1;
    } catch {
      return false;  // not base64
    }
  }

  // Called by a table's script, pelvaro-cpN.js, with its code page's number
  // and the table in base64. The script element running tells which code
  // page the page asked for: a table that names another is refused.
  window.pelvaroCodePageData = (number, base64) => {
    const pending = pendingTables.get(document.currentScript);
    if (!pending) return;
    if (number === pending.codePage && addTable(pending.codePage, base64)) pending.resolve();
    else pending.reject(new Error(`the table of code page ${pending.codePage} is damaged`));
  };

  // A table refused is dropped from the offline files, so that the next
  // choice of its code page fetches it again.
  function loadScript(codePage) {
    const name = `pelvaro-cp${codePage}.js`;
    return new Promise((resolve, reject) => {
      const script = document.createElement("script");
      const done = () => { pendingTables.delete(script); script.remove(); };
      pendingTables.set(script, {
        codePage,
        resolve: () => { done(); tellWorker({ keep: [name] }); resolve(); },
        reject: (error) => { done(); tellWorker({ drop: [name] }); reject(error); },
      });
      script.src = name;
      script.onerror = () => pendingTables.get(script)?.reject(new Error(`${name} did not load`));
      script.onload = () => pendingTables.get(script)?.reject(new Error(`${name} gave no table`));
      document.head.append(script);
    });
  }

  function loadTable(codePage) {
    if (engine._pelvaro_has_code_page(codePage)) return Promise.resolve();
    if (!loadingTables.has(codePage)) {
      const loading = loadScript(codePage).finally(() => loadingTables.delete(codePage));
      loadingTables.set(codePage, loading);
    }
    return loadingTables.get(codePage);
  }

  // The latest choice wins, whatever order the tables arrive in: a table that
  // arrives after another choice was made is kept by the engine but not put
  // in use. `choosing` is the latest choice while its table loads.
  let choices = 0;
  let choosing = null;

  async function choose(codePage, choice) {
    const status = byId("code-page-status");
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
    byId("code-page").value = String(codePageInUse);
    document.documentElement.dataset.codePage = String(codePageInUse);
  }

  // A number shown belongs to the code page it was worked out in: choosing
  // another one clears it.
  async function useCodePage(codePage) {
    const choice = ++choices;
    if (codePage !== codePageInUse) byId("Text2").value = "";
    byId("code-page-status").textContent = `Loading code page ${codePageName(codePage)}…`;
    const settled = choose(codePage, choice);
    choosing = settled;
    await settled;
    if (choosing === settled) choosing = null;
  }

  function setUpCodePages(offered, first) {
    const select = byId("code-page");
    for (const codePage of offered) select.add(new Option(codePageName(codePage), String(codePage)));
    select.value = String(first);
    select.addEventListener("change", () => useCodePage(Number(select.value)));
    byId("code-page-panel").hidden = false;
  }

  // ---- Offline ----------------------------------------------------------------

  // Served over https, or from this machine, a service worker keeps the
  // page's own files (pelvaro-sw.js), so that it opens offline after the
  // first visit. It is told of each table the page loads, once it is there,
  // so that a code page chosen on the first visit is kept too. A new
  // release's worker waits while a page of the release in use is open (the
  // browser lets it take over when the page next opens after every page of
  // the old one is closed): the page offers it in one line, whose button
  // lets it take over and reloads. Opened from the disk, the page has its
  // files at hand and registers nothing. A browser that refuses the worker
  // leaves the page as it is, online only.
  let worker = null;  // the worker's registration, once one is active

  function tellWorker(message) {
    worker?.then((registration) => registration.active?.postMessage(message)).catch(() => {});
  }

  function takeRelease(registration) {
    if (!registration.waiting) return location.reload();
    navigator.serviceWorker.addEventListener("controllerchange", () => location.reload());
    registration.waiting.postMessage({ take: true });
  }

  function watchReleases(registration) {
    const offer = () => { byId("release-ready").hidden = false; };
    registration.addEventListener("updatefound", () => {
      const installing = registration.installing;
      installing?.addEventListener("statechange", () => { if (installing.state === "installed") offer(); });
    });
    if (registration.waiting) offer();
  }

  function keepForOffline() {
    if (!/^https?:$/.test(location.protocol) || !window.isSecureContext || !("serviceWorker" in navigator)) return;
    worker = navigator.serviceWorker.register("pelvaro-sw.js").then(() => navigator.serviceWorker.ready);
    worker.then(watchReleases).catch(() => {});
    byId("release-reload").addEventListener("click", () => worker.then(takeRelease));
  }

  // ---- Start-up ----------------------------------------------------------------

  function showError(message) {
    const note = byId("page-error");
    note.textContent = message;
    note.hidden = false;
  }

  async function start() {
    keepForOffline();
    engine = await PelvaroEngine({ wasmBinary: bytesOfBase64(self.pelvaroEngineWasm) });
    const form1 = description();
    layOut(form1);
    byId("Form1").hidden = false;
    const oneColumn = followScreenWidth(form1);
    byId("Command1").addEventListener("click", Command1_Click);
    byId("Text1").addEventListener("keydown", (event) => Text1_KeyDown(event, oneColumn));
    byId("Label3").addEventListener("click", Label3_Click);
    byId("About-OK").addEventListener("click", closeAbout);
    byId("About").addEventListener("cancel", (event) => {
      event.preventDefault();
      closeAbout();
    });
    byId("Text1").focus();
    const first = codePageForLanguage((navigator.languages || [])[0] || navigator.language, form1.codePages);
    codePageInUse = defaultCodePage;
    setUpCodePages(form1.codePages, first);
    await useCodePage(first);
    document.documentElement.dataset.ready = "true";
  }

  // The cause, for a developer, goes to the console; the user gets what to do.
  start().catch((error) => {
    console.error("Pelvaro's engine could not start:", error);
    showError("The page could not start. Reload it; if it still does not start, " +
      "open index.html from the folder of Pelvaro's web release.");
  });
})();
