// Put into the page by page_test.py: works the page's controls as a user
// does (a click, a choice, typing), closes its message boxes, answers the
// custom-frequency dialog, and holds what the page shows against the
// core's view.
window.orletTest = (() => {
  const $ = (id) => document.getElementById(id);
  // A task later: the dialogs close, and the clipboard answers, in tasks of
  // their own. (A message is not throttled as a timeout is, nor put first
  // as scheduler.yield() is.)
  const channel = new MessageChannel();
  const nextTask = () => new Promise((resolve) => {
    channel.port1.onmessage = resolve;
    channel.port2.postMessage(null);
  });

  // The message boxes closed so far: [caption, text, what the watched
  // controls showed meanwhile], in order.
  let messages = [];
  let watched = [];
  // How the next custom-frequency dialog is answered: the text typed, then
  // 'ok' or 'cancel' (a refused OK is followed by Cancel).
  let customAnswer = { text: '12', close: 'ok' };

  function answerCustomDialog(state) {
    if (state.phase === 0) {
      $('customMhzInput').value = customAnswer.text;
      $('customMhzInput').dispatchEvent(new InputEvent('input'));
    } else {
      $(state.phase === 1 && customAnswer.close === 'ok' ? 'customOkButton' : 'customCancelButton').click();
    }
    ++state.phase;
  }

  // The rate dialog: the rate typed, then OK; Cancel after a refusal or as
  // the answer says.
  let baudAnswer = { text: '9600', close: 'ok' };

  function answerBaudDialog(state) {
    if (state.phase === 0)
      $('baudInput').value = baudAnswer.text;
    $(state.phase === 0 && baudAnswer.close === 'ok' ? 'baudOkButton' : 'baudCancelButton').click();
    ++state.phase;
  }

  // Until every change and its messages are done: message boxes are closed
  // with OK, the custom-frequency dialog answered.
  async function settle() {
    let idle = false;
    page.idle().then(() => { idle = true; });
    // A change without messages is done within a few dozen microtasks.
    for (let microtask = 0; microtask < 40 && !idle; ++microtask)
      await null;
    const custom = { phase: 0 };
    const started = performance.now();
    while (!idle) {
      if (performance.now() - started > 20000) {
        const open = [...document.querySelectorAll('dialog[open]')].map((d) => d.id);
        throw new Error(`the page stays busy; open: ${open}; custom dialog answered ${custom.phase} times`);
      }
      if ($('messageDialog').open) {
        const meanwhile = watched.map((id) => $(id).value);
        messages.push([$('messageCaption').textContent, $('messageText').textContent, ...meanwhile]);
        $('messageDialog').querySelector('button').click();
      } else if ($('customDialog').open) {
        answerCustomDialog(custom);
      } else if ($('baudDialog').open) {
        answerBaudDialog(custom);
      }
      await nextTask();
    }
  }

  function click(id) {
    $(id).click();
    return settle();
  }

  function choose(id, index) {
    const list = $(id);
    list.selectedIndex = index;
    list.dispatchEvent(new Event('change'));
    return settle();
  }

  function type(id, text) {
    const box = $(id);
    box.value = text;
    box.dispatchEvent(new InputEvent('input'));
    return settle();
  }

  const rendered = (element) => element.checkVisibility();

  // Where a control does not show what the core's view says.
  function differencesFromView() {
    const view = ask('orlet_view');
    const problems = [];
    const differ = (name, what, shown, expected) => {
      if (JSON.stringify(shown) !== JSON.stringify(expected))
        problems.push(`${name}: ${what} ${JSON.stringify(shown)}, the view ${JSON.stringify(expected)}`);
    };
    for (const c of view.controls) {
      const element = $(c.name);
      if (!element) {
        problems.push(`${c.name}: missing`);
        continue;
      }
      const cell = element.closest('.cell');
      differ(c.name, 'visible', rendered(element), c.visible);
      differ(c.name, 'enabled', !(element.disabled || element.getAttribute('aria-disabled') === 'true'), c.enabled);
      differ(c.name, 'tooltip', cell.title, c.tooltip);
      differ(c.name, 'name', element.getAttribute('aria-label') ?? '', c.accessibleName);
      if (c.kind === 'check')
        differ(c.name, 'box', [element.checked, element.parentElement.textContent], [c.checked, c.text]);
      else if (c.kind === 'list')
        differ(c.name, 'list', [[...element.options].map((o) => o.text), element.selectedIndex], [c.items, c.index]);
      else if (c.kind === 'number' || c.kind === 'edit')
        differ(c.name, 'text', element.value, c.text);
      else
        differ(c.name, 'text', element.textContent, c.text);
    }
    for (const [label, text] of Object.entries(view.labels))
      differ(label, 'caption', document.querySelector(`label[data-label=${label}]`).textContent, text);
    return problems;
  }

  // ---- Random sessions ----

  const kValues = ['1', '5', '100', '255', '256', '1000', '2000', '8192', '20000', '65535', '65536', '100000',
                   '4294967295', '0', ''];
  const kHeaders = ['', 'STC15F2K60S2.H', 'STC8H.H', 'my header.h', 'a"b.h'];
  const kRates = ['31250', '250000', '100', '1200', '76800', '10000000', 'x', ''];
  const kCustomMhz = ['11.0592', '3.6864', '7.3728', '22.1184', '14.7456', '1', '100', '55', '0', '101', 'x', ''];

  // mulberry32: the same sessions for the same seed.
  function randomFrom(seed) {
    let a = seed >>> 0;
    return (n) => {
      a = (a + 0x6D2B79F5) >>> 0;
      let t = a;
      t = Math.imul(t ^ (t >>> 15), t | 1);
      t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
      return Math.floor((((t ^ (t >>> 14)) >>> 0) / 4294967296) * n);
    };
  }

  // The controls a user can work now.
  function workable() {
    return [...document.querySelectorAll('#settings input, #settings select, #output input')]
      .filter((element) => !element.disabled && rendered(element));
  }

  async function randomAction(random) {
    if (random(8) === 0)
      return generate();
    const choices = workable();
    const element = choices[random(choices.length)];
    if (element.type === 'checkbox')
      return click(element.id);
    if (element.tagName === 'SELECT') {
      customAnswer = { text: kCustomMhz[random(kCustomMhz.length)], close: random(4) ? 'ok' : 'cancel' };
      baudAnswer = { text: kRates[random(kRates.length)], close: random(4) ? 'ok' : 'cancel' };
      return choose(element.id, random(element.options.length));
    }
    const texts = element.inputMode === 'numeric' ? kValues : kHeaders;
    return type(element.id, texts[random(texts.length)]);
  }

  // Generate, and what came of it: the text (as downloaded, in UTF-8 and
  // GBK) or the message that refused it, with the settings file the page
  // saves and what orlet-gen could not learn from it.
  async function generate() {
    messages = [];
    await click('generateButton');
    const record = { settings: ask('orlet_settings_file').text, state: ask('orlet_settled'),
                     refusal: messages.at(-1)?.[1] ?? null };
    if (!record.refusal) {
      record.text = codeText();
      record.gbk = ask('orlet_gbk', codeText()).hex;
    }
    generated.push(record);
  }

  let generated = [];

  function startAfresh() {
    applyView(ask('orlet_reset'));
    showAddressSoon();
    $('outputBox').value = '';
  }

  // Sessions of random actions from a fresh page, each ended by Generate;
  // every Generate recorded, and the first place where the page does not
  // show the core's view.
  async function sessions(firstSeed, count, steps) {
    generated = [];
    for (let seed = firstSeed; seed < firstSeed + count; ++seed) {
      startAfresh();
      const random = randomFrom(seed);
      for (let step = 0; step <= steps; ++step) {
        try {
          await (step < steps ? randomAction(random) : generate());
        } catch (error) {
          return { problem: `seed ${seed}, step ${step}: ${error}`, generated };
        }
        const problems = differencesFromView();
        if (problems.length)
          return { problem: `seed ${seed}, step ${step}: ${problems.join('; ')}`, generated };
      }
    }
    return { problem: null, generated };
  }

  return {
    click, choose, type, settle, differencesFromView, sessions, startAfresh,
    messages: () => messages,
    clearMessages: () => { messages = []; },
    answerCustom: (text, close) => { customAnswer = { text, close }; },
    answerBaud: (text, close) => { baudAnswer = { text, close }; },
    watch: (ids) => { watched = ids; },
  };
})();
