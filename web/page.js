'use strict';
// The page shows what the core's view says and sends the user's changes to
// the core, which holds the settings (the window's model) and runs the
// window's handlers. Nothing of the settings is kept here.

const windowTexts = templateTexts.OrletDlg;
const pageTitle = document.title;
const $ = (id) => document.getElementById(id);

// ---- The core ---------------------------------------------------------------

let core = null;

// The core's wasm is packed in the page (make-page.py): unpack it, then start the core.
async function startCore() {
  const packed = Uint8Array.from(atob($('orlet-core-wasm').textContent), (c) => c.charCodeAt(0));
  return createOrletCore({ wasmBinary: unpackLzma(packed) });
}

const utf8Encoder = new TextEncoder();
const utf8Decoder = new TextDecoder();

// Calls the core's C function `name`: texts go in as UTF-8 on its heap, and
// its answer, JSON, comes back the same way.
function ask(name, ...args) {
  const heap = core.HEAPU8;
  const texts = [];
  try {
    const passed = args.map((arg) => {
      if (typeof arg === 'number')
        return arg;
      const bytes = utf8Encoder.encode(arg);
      const at = core._malloc(bytes.length + 1);
      if (!at)
        throw new Error(`${name}: no room for ${bytes.length} bytes`);
      texts.push(at);
      heap.set(bytes, at);
      heap[at + bytes.length] = 0;
      return at;
    });
    const at = core['_' + name](...passed);
    return JSON.parse(utf8Decoder.decode(heap.subarray(at, heap.indexOf(0, at))));
  } finally {
    texts.forEach((at) => core._free(at));
  }
}

// ---- Texts of the window's templates ----------------------------------------

// "Form.object" or "Form.object.property" (text by default).
function templateText(path) {
  const [form, object, property = 'text'] = path.split('.');
  return templateTexts[form]?.[object]?.[property] ?? '';
}

function fillTemplateTexts() {
  for (const element of document.querySelectorAll('[data-text]'))
    element.textContent = templateText(element.dataset.text);
  const homepage = templateTexts.homepage;
  $('aboutTitle').innerHTML = templateText('AboutDlg.labelTitle').replace('%1', templateTexts.version);
  $('aboutContact').innerHTML = templateText('AboutDlg.labelContact')
    .replace('%1', homepage).replace('%2', homepage.replace('https://', ''));
  $('noticesText').textContent = templateTexts.notices;
}

// ---- Controls, made from the view -------------------------------------------

const controls = new Map(); // name -> { element, cell, block }

function blockFor(name) {
  const existing = $(name);
  if (existing)
    return existing;
  const block = document.createElement('fieldset');
  block.id = name;
  block.className = 'block';
  const title = windowTexts[name]?.title;
  if (title) {
    const legend = document.createElement('legend');
    legend.textContent = title;
    block.append(legend);
  }
  $('settings').append(block);
  return block;
}

function captionLabel(labelName, forId) {
  const label = document.createElement('label');
  label.htmlFor = forId;
  label.dataset.label = labelName;
  label.textContent = windowTexts[labelName]?.text ?? '';
  return label;
}

const makers = {
  check(shown) {
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.addEventListener('change', () => act({ control: shown.name, checked: box.checked }));
    return box;
  },
  list(shown) {
    const list = document.createElement('select');
    list.addEventListener('change', () => chooseFromList(shown.name, list));
    return list;
  },
  number(shown) {
    const box = textBox(shown);
    box.inputMode = 'numeric';
    // Digits only, as the window's number boxes take them.
    box.addEventListener('beforeinput', (event) => {
      if (event.data && /\D/.test(event.data))
        event.preventDefault();
    });
    return box;
  },
  edit(shown) {
    const box = textBox(shown);
    box.placeholder = windowTexts[shown.name]?.placeholderText ?? '';
    return box;
  },
  display(shown) {
    const display = document.createElement('output');
    display.addEventListener('click', () => toggleTip(display));
    display.addEventListener('keydown', (event) => {
      if (event.key === ' ') {
        event.preventDefault();
        toggleTip(display);
      }
    });
    return display;
  },
  word() {
    return document.createElement('span');
  },
  line() {
    return document.createElement('span');
  },
};

function textBox(shown) {
  const box = document.createElement('input');
  box.type = 'text';
  box.spellcheck = false;
  box.addEventListener('input', () => act({ control: shown.name, text: box.value }));
  return box;
}

function createControl(shown) {
  const element = makers[shown.kind](shown);
  element.id = shown.name;
  const cell = document.createElement('span');
  cell.className = `cell ${shown.kind}`;
  if (shown.before)
    cell.append(captionLabel(shown.before, shown.name));
  if (shown.caption !== undefined) {
    const label = document.createElement('label');
    label.htmlFor = shown.name;
    cell.append(label);
  }
  if (shown.kind === 'check') {
    const label = document.createElement('label');
    label.append(element, document.createElement('span'));
    cell.append(label);
  } else {
    cell.append(element);
  }
  if (shown.after)
    cell.append(captionLabel(shown.after, shown.name));
  const block = blockFor(shown.block);
  block.append(cell);
  const control = { element, cell, block };
  controls.set(shown.name, control);
  return control;
}

// A list's items, each carrying what the model calls it; a heading groups
// the items under it and cannot be chosen.
function showItems(list, shown) {
  // What the model calls each item: its position unless the view says otherwise.
  const values = shown.values ?? shown.items.map((item, i) => i);
  const headings = shown.headings ?? [];
  const entries = JSON.stringify([shown.items, values, headings]);
  if (list.dataset.entries !== entries) {
    list.dataset.entries = entries;
    const children = [];
    let group = null;
    let heading = 0;
    shown.items.forEach((item, i) => {
      for (; heading < headings.length && headings[heading][0] === i; ++heading) {
        group = document.createElement('optgroup');
        group.label = headings[heading][1];
        children.push(group);
      }
      const option = new Option(item);
      option.dataset.value = values[i];
      if (group)
        group.append(option);
      else
        children.push(option);
    });
    list.replaceChildren(...children);
  }
  // Headings are no options: the items keep their positions.
  list.selectedIndex = shown.index;
}

function applyControl(shown) {
  const { element, cell } = controls.get(shown.name) ?? createControl(shown);
  cell.hidden = !shown.visible;
  cell.classList.toggle('disabled', !shown.enabled);
  cell.classList.toggle('warning', Boolean(shown.warning));
  if ('disabled' in element && element.tagName !== 'OUTPUT')
    element.disabled = !shown.enabled;
  else
    element.setAttribute('aria-disabled', String(!shown.enabled));
  // The tooltip on the whole cell: a box's caption shows it too.
  const tip = shown.tooltip;
  if (cell.title !== tip)
    cell.title = tip;
  // Named as the window names it for a screen reader; a display by its text.
  if (shown.accessibleName)
    element.setAttribute('aria-label', shown.accessibleName);
  else
    element.removeAttribute('aria-label');
  if (shown.caption !== undefined && cell.firstChild.textContent !== shown.caption)
    cell.firstChild.textContent = shown.caption;
  switch (shown.kind) {
  case 'check':
    element.checked = shown.checked;
    if (element.nextSibling.textContent !== shown.text)
      element.nextSibling.textContent = shown.text;
    break;
  case 'list':
    showItems(element, shown);
    break;
  case 'number':
  case 'edit':
    if (element.value !== shown.text)
      element.value = shown.text;
    break;
  default:
    if (element.textContent !== shown.text)
      element.textContent = shown.text;
    element.tabIndex = tip ? 0 : -1;
    if (element.dataset.tipShown)
      showTip(element);
  }
}

function applyView(view) {
  for (const shown of view.controls)
    applyControl(shown);
  $('dialectList').value = view.dialect;
  for (const label of document.querySelectorAll('label[data-label]'))
    label.textContent = view.labels[label.dataset.label] ?? windowTexts[label.dataset.label]?.text ?? '';
  // A block shows while one of its controls does (timer 2's on a chip with it).
  for (const block of new Set([...controls.values()].map((c) => c.block)))
    block.hidden = ![...block.querySelectorAll('.cell')].some((cell) => !cell.hidden);
}

// A display's tooltip, shown in its block on a click or a key: there is no
// hovering on a phone.
function tipBox(display) {
  const block = display.closest('fieldset, #output');
  let box = block.querySelector('.tip');
  if (!box) {
    box = document.createElement('p');
    box.className = 'tip';
    box.id = `${block.id}Tip`;
    block.append(box);
  }
  return box;
}

function showTip(display) {
  const box = tipBox(display);
  box.textContent = display.parentElement.title;
  box.hidden = !box.textContent;
}

function toggleTip(display) {
  const shown = !display.dataset.tipShown;
  for (const other of document.querySelectorAll('output[data-tip-shown]')) {
    delete other.dataset.tipShown;
    other.removeAttribute('aria-describedby');
    tipBox(other).hidden = true;
  }
  if (!shown || !display.parentElement.title)
    return;
  display.dataset.tipShown = 'true';
  showTip(display);
  display.setAttribute('aria-describedby', tipBox(display).id);
}

// ---- The user's changes -----------------------------------------------------

// One change at a time, each with its messages, in the order they come.
let queue = Promise.resolve();

function enqueue(task) {
  queue = queue.then(task).catch((error) => console.error(error));
  return queue;
}

async function runChange(change) {
  const answer = ask('orlet_act', JSON.stringify(change));
  // Each message is up over the page as it stood when it was raised;
  // what it corrects shows once it is closed.
  for (const notice of answer.notices) {
    if (notice.view)
      applyView(notice.view);
    await showMessage(notice.text);
  }
  applyView(answer.view);
  showAddressSoon();
  const focus = answer.notices.at(-1)?.focus;
  if (focus) {
    $(focus).focus();
    $(focus).select?.();
  }
}

function act(change) {
  return enqueue(() => runChange(change));
}

function chooseFromList(name, list) {
  const position = list.selectedIndex;
  // The model's name for the item chosen, which is its position unless the list says otherwise.
  const index = position < 0 ? -1 : Number(list.options[position].dataset.value);
  if (name === 'crystalList' && position === list.options.length - 1) {
    // The last entry asks for the frequency first.
    enqueue(async () => {
      const customMhz = await askCustomMhz();
      await runChange({ control: name, index, ...(customMhz === null ? {} : { customMhz }) });
    });
    return;
  }
  if (name === 'baudList' && position === list.options.length - 1) {
    // "其他…" asks for a rate first.
    enqueue(async () => runChange({ control: name, index, typedBaud: await askBaud() }));
    return;
  }
  act({ control: name, index });
}

// ---- Dialogs ----------------------------------------------------------------

function modal(dialog) {
  return new Promise((resolve) => {
    dialog.addEventListener('close', () => resolve(dialog.returnValue), { once: true });
    dialog.returnValue = '';
    dialog.showModal();
  });
}

// A message box: the text, an OK button, the page's title unless another caption.
function showMessage(text, caption = 'Orlet', icon = '') {
  const dialog = $('messageDialog');
  $('messageCaption').textContent = caption;
  $('messageText').textContent = text;
  dialog.querySelector('.icon').dataset.icon = icon;
  return modal(dialog);
}

// The custom-frequency dialog: the text typed when closed by OK, null when cancelled.
function askCustomMhz() {
  const dialog = $('customDialog');
  const input = $('customMhzInput');
  input.value = '12';
  const check = async (closing) => {
    const answer = ask('orlet_check_custom_mhz', input.value, closing ? 1 : 0);
    if (answer.message) {
      await showMessage(answer.message, answer.caption, answer.icon);
      if (answer.text !== undefined)
        input.value = answer.text;
      input.focus();
      input.select();
    } else if (closing) {
      dialog.close('ok');
    }
  };
  const onInput = () => check(false);
  const onSubmit = (event) => {
    event.preventDefault();
    check(true);
  };
  const onCancel = () => dialog.close('cancel');
  input.addEventListener('input', onInput);
  dialog.querySelector('form').addEventListener('submit', onSubmit);
  $('customCancelButton').addEventListener('click', onCancel);
  const closed = modal(dialog).then((result) => {
    input.removeEventListener('input', onInput);
    dialog.querySelector('form').removeEventListener('submit', onSubmit);
    $('customCancelButton').removeEventListener('click', onCancel);
    return result === 'ok' ? input.value : null;
  });
  input.focus();
  input.select();
  return closed;
}

// The rate dialog: the rate taken at OK, 0 when cancelled. A rate the port
// cannot make is refused with its message, and the dialog stays open.
function askBaud() {
  const dialog = $('baudDialog');
  const input = $('baudInput');
  input.value = String(ask('orlet_shown_baud').rate);
  let rate = 0;
  const onSubmit = async (event) => {
    event.preventDefault();
    const answer = ask('orlet_check_baud', input.value);
    if (answer.message) {
      await showMessage(answer.message);
      input.focus();
      input.select();
      return;
    }
    rate = answer.rate;
    dialog.close('ok');
  };
  const onCancel = () => dialog.close('cancel');
  dialog.querySelector('form').addEventListener('submit', onSubmit);
  $('baudCancelButton').addEventListener('click', onCancel);
  const closed = modal(dialog).then(() => {
    dialog.querySelector('form').removeEventListener('submit', onSubmit);
    $('baudCancelButton').removeEventListener('click', onCancel);
    return rate;
  });
  input.focus();
  input.select();
  return closed;
}

// ---- Settings: the address, files --------------------------------------------

// The address keeps the settings after '#' as they change, so that a link
// or a bookmark brings them back.
function showAddress() {
  const address = ask('orlet_address').address;
  if (location.hash.slice(1) !== address)
    history.replaceState(null, '', `#${address}`);
}

// A moment after the last change: a browser refuses an address changed too often.
let addressTimer = 0;

function showAddressSoon() {
  clearTimeout(addressTimer);
  addressTimer = setTimeout(showAddress, 250);
}

// Settings from an address or a file: shown, or a message and nothing changed.
async function openSettings(name, text, fileName) {
  const answer = ask(name, text);
  if (answer.message) {
    await showMessage(answer.message);
    return;
  }
  applyView(answer.view);
  if (fileName)
    document.title = `${fileName} - ${pageTitle}`;
  showAddress();
}

function openAddress() {
  const address = location.hash.slice(1);
  if (address && address !== ask('orlet_address').address)
    enqueue(() => openSettings('orlet_open_address', address));
}

// Far above any settings file: the core's heap is fixed, and a file larger
// than it would leave the core nothing to answer with.
const kMaxSettingsFileBytes = 1 << 20;

function openSettingsFile(file) {
  if (file && file.size > kMaxSettingsFileBytes)
    enqueue(() => showMessage('这个文件太大，不是 Orlet 的设置文件。'));
  else if (file)
    enqueue(async () => openSettings('orlet_open_settings_file', await file.text(), file.name));
}

function saveSettingsFile() {
  const text = ask('orlet_settings_file').text;
  const name = document.title === pageTitle ? 'orlet.orlet' : document.title.slice(0, -` - ${pageTitle}`.length);
  saveFile(utf8Encoder.encode(text), name, 'application/json');
}

// ---- Generate, copy, download -----------------------------------------------

function generate() {
  return enqueue(async () => {
    const answer = ask('orlet_generate');
    if (answer.message) {
      await showMessage(answer.message);
      return;
    }
    $('outputBox').value = answer.source;
    if (answer.copy)
      await copyCode();
  });
}

// The code box's text with the generator's line ends.
function codeText() {
  return $('outputBox').value.replace(/\r?\n/g, '\r\n');
}

async function copyCode() {
  try {
    await navigator.clipboard.writeText($('outputBox').value);
    say('已复制');
  } catch (error) {
    say(`无法复制：${error.message}`);
  }
}

function say(text) {
  $('status').textContent = text;
}

async function download(encoding) {
  let bytes;
  if (encoding === 'gbk') {
    const answer = ask('orlet_gbk', codeText());
    if (answer.hex === undefined) {
      await showMessage('代码中有GBK不能表示的字符，请下载UTF-8的文件。');
      return;
    }
    bytes = Uint8Array.from(answer.hex.match(/../g) ?? [], (byte) => parseInt(byte, 16));
  } else {
    bytes = utf8Encoder.encode(codeText());
  }
  saveFile(bytes, 'orlet.c', 'text/x-csrc');
}

function saveFile(bytes, name, type) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(new Blob([bytes], { type }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

// ---- Keys -------------------------------------------------------------------

// Ctrl+O and Ctrl+S open and save settings, as in the window.
function onSettingsKey(event) {
  const key = event.key.toLowerCase();
  if (!event.ctrlKey || event.altKey || event.shiftKey || (key !== 'o' && key !== 's'))
    return false;
  event.preventDefault();
  if (!document.querySelector('dialog[open]'))
    (key === 'o' ? () => $('settingsFileInput').click() : saveSettingsFile)();
  return true;
}

// Enter generates, as the window's default button does; on a button it
// presses that button, and in the code box Ctrl+Enter breaks the line.
function onKeyDown(event) {
  if (onSettingsKey(event))
    return;
  if (event.key !== 'Enter' || event.isComposing || document.querySelector('dialog[open]'))
    return;
  const target = event.target;
  if (target instanceof HTMLButtonElement || target instanceof HTMLAnchorElement)
    return;
  event.preventDefault();
  if (target === $('outputBox') && event.ctrlKey)
    target.setRangeText('\n', target.selectionStart, target.selectionEnd, 'end');
  else
    generate();
}

// ---- Start ------------------------------------------------------------------

// What tests and scripts may wait for: every change and its messages done.
const page = {
  idle: () => queue,
};

function wireButtons() {
  $('generateButton').addEventListener('click', generate);
  $('copyButton').addEventListener('click', copyCode);
  $('downloadGbk').addEventListener('click', () => download('gbk'));
  $('downloadUtf8').addEventListener('click', () => download('utf-8'));
  $('aboutButton').addEventListener('click', () => modal($('aboutDialog')));
  $('aboutTitle').addEventListener('click', (event) => {
    if (event.target.closest('a[href="#notices"]')) {
      event.preventDefault();
      modal($('noticesDialog'));
    }
  });
  $('openSettingsButton').addEventListener('click', () => $('settingsFileInput').click());
  $('settingsFileInput').addEventListener('change', (event) => {
    openSettingsFile(event.target.files[0]);
    event.target.value = '';
  });
  $('saveSettingsButton').addEventListener('click', saveSettingsFile);
  $('dialectList').addEventListener('change', () => enqueue(() => {
    applyView(ask('orlet_choose_dialect', $('dialectList').value));
    showAddress();
  }));
  // A settings file dropped on the page opens.
  document.addEventListener('dragover', (event) => event.preventDefault());
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    openSettingsFile(event.dataTransfer.files[0]);
  });
  window.addEventListener('hashchange', openAddress);
  $('settings').addEventListener('submit', (event) => event.preventDefault());
  document.addEventListener('keydown', onKeyDown);
}

startCore().then((started) => {
  core = started;
  fillTemplateTexts();
  wireButtons();
  applyView(ask('orlet_view'));
  // The settings a link brings, else the first state's in the address.
  if (location.hash.length > 1)
    openAddress();
  else
    showAddress();
  document.body.dataset.ready = 'true';
  performance.mark('orlet-ready');
}, (error) => {
  $('status').textContent = String(error);
  console.error(error);
});
