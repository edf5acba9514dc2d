// The page: a model edited in forms, analysed on every change, its diagrams
// and stage summary redrawn from the answer.

import { get, post } from './api.js';
import { h, clear } from './dom.js';
import { Forms, helpText, keysId, unitSystem } from './forms.js';

// Typing waits for a pause this long; a committed change (Enter, leaving the
// field, a choice in a list) is analysed at once.
const TYPING_PAUSE_MS = 150;

const $ = (id) => document.getElementById(id);

const state = {
  schema: null,
  model: null,
  name: 'untitled.toml',
  stage: 0,
  view: 'wall',
  good: null, // the last answer with results
  error: null, // the input error of the newest answer, if any
  controller: null,
  seq: 0,
  timer: null,
  editAt: null,
  open: new Set(['Stage', 'Excavation and water', 'Soil layers']),
  pictureUrl: null,
};
// For scripts and tests that drive the page: the timings of each redraw.
window.darnek = { state, timings: [] };

let forms = null;

function status(kind, text) {
  const el = $('status');
  el.className = `status ${kind}`;
  el.textContent = text;
}

function baseName() {
  return state.name.replace(/\.[^.]*$/, '') || 'model';
}

// ------------------------------------------------------------------ forms

function renderForms(focusKeys) {
  forms.renderFile($('file-fields'), state.model, state.open);
  renderStageTabs();
  forms.renderStage($('stage-form'), state.model, state.stage, state.open);
  if (state.error) markError(state.error, false);
  if (focusKeys) {
    const el = document.querySelector(`.forms [data-keys='${CSS.escape(focusKeys)}']:is(input,select,textarea)`) ||
      document.querySelector(`[data-keys='${CSS.escape(focusKeys)}'] button.add`);
    if (el) el.focus();
  }
}

function renderStageTabs() {
  const tabs = clear($('stage-tabs'));
  state.model.stage.forEach((s, i) => {
    const tab = h('button', {
      type: 'button', role: 'tab', 'aria-selected': String(i === state.stage), title: s.title || '',
      onclick: () => selectStage(i),
    }, `Stage ${i + 1}`);
    tabs.append(tab);
  });
  $('stage-up').disabled = state.stage === 0;
  $('stage-down').disabled = state.stage === state.model.stage.length - 1;
  $('stage-remove').disabled = state.model.stage.length === 1;
}

function selectStage(i) {
  state.stage = i;
  renderForms();
  renderResults();
}

function onEdit(change) {
  if (change.structural) {
    const active = document.activeElement;
    renderForms(active && active.dataset ? active.dataset.keys : keysId(change.keys));
  }
  if (change.keys && change.keys[change.keys.length - 1] === 'title') renderStageTabs();
  schedule(change.how);
}

function onHelp(field) {
  $('help').textContent = helpText(field, unitSystem(state.model, state.model.stage[state.stage]));
}

function stageAction(action) {
  const stages = state.model.stage;
  const copy = (s) => JSON.parse(JSON.stringify(s));
  const i = state.stage;
  if (action === 'add') {
    // The wall and the ground of this stage, without what belongs to it alone.
    const s = copy(stages[i]);
    for (const key of ['tie_back', 'specified_condition', 'load', 'restraint']) delete s[key];
    s.title = `STAGE ${stages.length + 1}`;
    stages.push(s);
    state.stage = stages.length - 1;
  } else if (action === 'copy') {
    stages.splice(i + 1, 0, copy(stages[i]));
    state.stage = i + 1;
  } else if (action === 'up' && i > 0) {
    [stages[i - 1], stages[i]] = [stages[i], stages[i - 1]];
    state.stage = i - 1;
  } else if (action === 'down' && i < stages.length - 1) {
    [stages[i + 1], stages[i]] = [stages[i], stages[i + 1]];
    state.stage = i + 1;
  } else if (action === 'remove' && stages.length > 1) {
    stages.splice(i, 1);
    state.stage = Math.min(i, stages.length - 1);
  }
  renderForms();
  schedule('change');
}

// ------------------------------------------------------------------ analysis

function schedule(how) {
  state.editAt = performance.now();
  clearTimeout(state.timer);
  state.timer = setTimeout(analyse, how === 'change' ? 0 : TYPING_PAUSE_MS);
}

async function analyse() {
  const seq = ++state.seq;
  // A newer model makes the older request pointless.
  if (state.controller) state.controller.abort();
  const controller = new AbortController();
  state.controller = controller;
  const editAt = state.editAt;
  const body = { model: state.model, name: state.name, outputs: state.view === 'toml' ? ['toml'] : [] };
  let answer;
  try {
    answer = await post('/api/analyse', body, controller.signal);
  } catch (e) {
    if (e.name === 'AbortError') return;
    status('error', `The server cannot be reached (${e.message}). Is darnek serve still running?`);
    return;
  }
  if (seq !== state.seq) return;
  state.controller = null;
  const answeredAt = performance.now();
  if (answer.httpStatus === 422 || !answer.results) {
    state.error = answer.error || { message: answer.message || 'the model cannot be analysed', keys: [] };
    if (answer.toml) state.tomlText = answer.toml;
    markError(state.error, true);
  } else {
    state.error = null;
    state.good = answer;
    if (answer.toml) state.tomlText = answer.toml;
    clearMarks();
  }
  await renderResults();
  if (editAt !== null) {
    const end = performance.now();
    performance.measure('darnek-redraw', { start: editAt, end });
    window.darnek.timings.push({
      total: end - editAt, answer: answeredAt - editAt, engine: answer.engine_ms ?? null,
      server: answer.server_ms ?? null, ok: !state.error,
    });
  }
  document.body.dataset.analysed = String(seq);
}

function clearMarks() {
  for (const el of document.querySelectorAll('[aria-invalid="true"]')) el.removeAttribute('aria-invalid');
  for (const el of document.querySelectorAll('.invalid')) el.classList.remove('invalid');
  for (const el of document.querySelectorAll('.field-error')) el.textContent = '';
}

// Marks the field an input error names: the stage it is in shown, its
// section opened, the field outlined with the reason beside it.
function markError(error, reveal) {
  clearMarks();
  const keys = error.keys || [];
  if (reveal && keys[0] === 'stage' && typeof keys[1] === 'number' && keys[1] !== state.stage &&
      keys[1] < state.model.stage.length) {
    state.stage = keys[1];
    renderForms();
    return markError(error, false);
  }
  for (let n = keys.length; n > 0; n--) {
    const id = CSS.escape(keysId(keys.slice(0, n)));
    const input = document.querySelector(`:is(input,select,textarea)[data-keys='${id}']`);
    const box = document.querySelector(`[data-keys='${id}']:not(input,select,textarea)`);
    const target = input || box;
    if (!target) continue;
    for (let d = target.closest('details'); d; d = d.parentElement.closest('details')) {
      if (!d.open) d.open = true;
    }
    if (input) input.setAttribute('aria-invalid', 'true');
    const holder = (input && input.closest('td,.field')) || box;
    holder.classList.add('invalid');
    const message = holder.querySelector('.field-error');
    if (message) message.textContent = error.detail || error.message;
    else holder.title = error.detail || error.message;
    if (reveal && input) input.scrollIntoView({ block: 'nearest' });
    break;
  }
  return undefined;
}

// ------------------------------------------------------------------ results

function fmt(v) {
  if (typeof v !== 'number' || !Number.isFinite(v)) return '';
  const a = Math.abs(v);
  if (a !== 0 && (a < 1e-3 || a >= 1e6)) return v.toExponential(3);
  return String(Number(v.toPrecision(4)));
}

function cell(value, unit, cls) {
  return h('td', { class: cls, dataset: { value: typeof value === 'number' ? String(value) : '' } },
    typeof value === 'number' ? `${fmt(value)} ${unit}` : '');
}

function renderSummary(results) {
  const table = $('summary');
  const stages = results ? results.stages : [];
  const withChecks = stages.some((s) => s.checks);
  clear(table.tHead).append(h('tr', {}, ['Stage', 'Outcome', 'Iterations', 'Largest deflection', 'at depth',
    'Largest moment', 'at depth', 'Tie-back forces', withChecks ? 'Checks' : null]
    .filter((t) => t).map((t) => h('th', { text: t }))));
  const body = clear(table.tBodies[0]);
  stages.forEach((s, i) => {
    const u = s.units || {};
    const l = s.largest || {};
    const ties = (s.tie_backs || []).map((t) => `${t.number}: ${fmt(t.force_per_tie_back)} ${u.force || ''}`).join('; ');
    const row = h('tr', { class: i === state.stage ? 'current' : '', dataset: { stage: String(s.stage) } },
      h('td', {}, h('button', { type: 'button', class: 'link', onclick: () => selectStage(i),
        title: 'Show this stage' }, String(s.stage))),
      h('td', { class: 'outcome', text: s.outcome }),
      h('td', { text: String(s.iterations) }),
      cell(l.deflection, u.deflection, 'max-deflection'),
      cell(l.deflection_depth, u.depth, 'max-deflection-depth'),
      cell(l.moment, u.moment, 'max-moment'),
      cell(l.moment_depth, u.depth, 'max-moment-depth'),
      h('td', { class: 'tie-backs', text: ties }),
      withChecks ? h('td', { class: 'checks' }, checksText(s.checks)) : null);
    body.append(row);
  });
}

// The design checks' verdict, where the results carry them: the verdict and
// what governs, each check's utilisation in the cell's help.
function checksText(checks) {
  if (!checks || typeof checks !== 'object') return '';
  const verdict = String(checks.verdict ?? '');
  const parts = Object.entries(checks)
    .filter(([, c]) => c && typeof c === 'object' && typeof c.utilisation === 'number')
    .map(([name, c]) => `${name.replace(/_/g, ' ')}: utilisation ${fmt(c.utilisation)}`);
  const governing = checks.governing ? `, ${String(checks.governing).replace(/_/g, ' ')} governs` : '';
  const use = typeof checks.utilisation === 'number' ? ` (${fmt(checks.utilisation)})` : '';
  return h('span', { class: `check ${verdict.toLowerCase().split(/\W/)[0]}`, title: parts.join('; ') },
    `${verdict}${governing}${use}`);
}

function digest(text) {
  // FNV-1a: tells tests and people that a picture changed.
  let x = 0x811c9dc5;
  for (let i = 0; i < text.length; i++) x = Math.imul(x ^ text.charCodeAt(i), 0x01000193);
  return (x >>> 0).toString(16);
}

async function renderResults() {
  const good = state.good;
  const results = good ? good.results : null;
  const view = $('view');
  view.classList.toggle('stale', Boolean(state.error));
  if (state.error) {
    // The key path, not the line: the page's TOML is written from the forms.
    const e = state.error;
    const where = e.path ? `${e.path.replace(/_/g, ' ')}: ${e.detail}` : e.message;
    status('error', `${where}${good ? ' — the diagrams are those of the last model that could be analysed.' : ''}`);
  } else if (results) {
    const note = results.status === 0 ? '' : ` ${results.message}`;
    status(results.status === 0 ? 'ok' : 'warning',
      `Analysed in ${fmt(good.engine_ms)} ms: ${results.stages.length} stage${results.stages.length === 1 ? '' : 's'}.${note}`);
  }
  renderSummary(results);
  for (const tab of document.querySelectorAll('.view-bar [role=tab]')) {
    tab.setAttribute('aria-selected', String(tab.dataset.view === state.view));
  }
  const img = $('picture');
  const none = $('no-picture');
  const toml = $('toml-view');
  toml.hidden = state.view !== 'toml';
  if (state.view === 'toml') {
    img.hidden = true;
    none.hidden = true;
    toml.textContent = state.tomlText || '';
    return;
  }
  let svg = '';
  if (good) {
    if (state.view === 'envelope') svg = good.envelope || '';
    else {
      const stage = (good.pictures || []).find((p) => p.stage === state.stage + 1);
      svg = stage ? stage[state.view] || '' : '';
    }
  }
  if (!svg) {
    img.hidden = true;
    none.hidden = false;
    none.textContent = !good ? '' : state.view === 'envelope' ? 'All stages are drawn together when two or more stages are solved.'
      : 'This stage has nothing to draw here.';
    return;
  }
  const d = digest(svg);
  none.hidden = true;
  img.hidden = false;
  if (img.dataset.digest === d) return;
  const url = URL.createObjectURL(new Blob([svg], { type: 'image/svg+xml' }));
  img.src = url;
  img.alt = `${state.view.replace(/_/g, ' ')} of stage ${state.stage + 1}`;
  try {
    await img.decode();
  } catch {
    // A picture that cannot be decoded still shows its alternative text.
  }
  if (state.pictureUrl) URL.revokeObjectURL(state.pictureUrl);
  state.pictureUrl = url;
  img.dataset.digest = d;
}

// ------------------------------------------------------------------ files

function setModel(model, name) {
  if (!model || !Array.isArray(model.stage) || model.stage.length === 0) {
    status('error', `${name} holds no [[stage]]`);
    return;
  }
  state.model = model;
  state.name = name;
  state.stage = 0;
  state.error = null;
  $('file-name').textContent = name;
  document.title = `darnek – ${name}`;
  renderForms();
  schedule('change');
}

async function openText(name, text) {
  const from = /\.toml$/i.test(name) ? 'toml' : 'records';
  status('busy', `Reading ${name}…`);
  const answer = await post('/api/convert', { from, text, name });
  if (!answer.model) {
    status('error', `${name}: ${answer.error ? answer.error.message : 'cannot be read'}`);
    return;
  }
  setModel(answer.model, name.replace(/\.[^.]*$/, '') + '.toml');
}

function save(name, text, type) {
  const url = URL.createObjectURL(new Blob([text], { type }));
  const a = h('a', { href: url, download: name });
  document.body.append(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(url), 10000);
}

async function download(kind) {
  const base = baseName();
  if (kind === 'toml' || kind === 'records') {
    const answer = await post('/api/convert', { from: 'model', model: state.model, name: state.name });
    const text = kind === 'toml' ? answer.toml : answer.records;
    if (text == null) {
      status('error', `Cannot write the ${kind === 'toml' ? 'TOML' : 'record file'}: ${answer.error ? answer.error.message : ''}`);
      return;
    }
    if (answer.warning && kind === 'records') status('warning', answer.warning);
    save(`${base}.${kind === 'toml' ? 'toml' : 'dat'}`, text, 'text/plain');
    return;
  }
  const [what, file] = kind.split(':');
  const answer = await post('/api/analyse', { model: state.model, name: state.name, outputs: [what], pictures: false });
  const files = {
    // Chromium refuses a download named .out from a page (it takes it for a
    // program), so the report keeps its name with .txt after it.
    report: [`${base}.out.txt`, answer.report, 'text/plain'],
    log: [`${base}.log`, answer.log, 'text/plain'],
    plot: [`${base}.plt`, answer.plot, 'text/plain'],
    json: [`${base}.json`, answer.json, 'application/json'],
    page: ['report.html', answer.page, 'text/html'],
    csv: [file, answer.csv ? answer.csv[file] : undefined, 'text/csv'],
  };
  const [name, text, type] = files[what];
  if (text == null) {
    status('error', `Nothing to download: ${answer.error ? answer.error.message : answer.message || 'the model was not analysed'}`);
    return;
  }
  save(name, text, type);
}

function fillDownloads() {
  const select = $('download');
  const solved = state.good ? state.good.results.stages.filter((s) => s.solved).map((s) => s.stage) : [];
  const options = [['records', 'Record file (.dat)'], ['report', 'Report (.out.txt)'], ['json', 'Results (JSON)'],
    ['csv:stages.csv', 'stages.csv'], ...solved.map((n) => [`csv:stage-${n}-stations.csv`, `stage-${n}-stations.csv`]),
    ['page', 'report.html'], ['log', 'Run log (.log)'], ['plot', 'Plot data (.plt)']];
  clear(select).append(h('option', { value: '', text: 'choose…' }),
    ...options.map(([value, text]) => h('option', { value, text })));
}

// ------------------------------------------------------------------ start

async function start() {
  const [schema, examples, begin] = await Promise.all([get('/api/schema'), get('/api/examples'), get('/api/start')]);
  state.schema = schema;
  forms = new Forms(schema, onEdit, onHelp);
  for (const e of examples.examples) {
    $('open-example').append(h('option', { value: e.name, text: e.name.replace(/_/g, ' '), title: e.description }));
  }
  for (const t of examples.templates) {
    $('open-template').append(h('option', { value: t.example, text: t.label, dataset: { template: t.name } }));
  }
  $('open-example').addEventListener('change', async (e) => {
    const name = e.target.value;
    if (!name) return;
    const answer = await get(`/api/examples/${encodeURIComponent(name)}`);
    e.target.value = '';
    setModel(answer.model, `${name}.toml`);
  });
  $('open-template').addEventListener('change', async (e) => {
    const option = e.target.selectedOptions[0];
    if (!e.target.value) return;
    const answer = await get(`/api/examples/${encodeURIComponent(e.target.value)}`);
    e.target.value = '';
    setModel(answer.model, `new-${option.dataset.template.replace(/_/g, '-')}.toml`);
  });
  $('open-file-button').addEventListener('click', () => $('open-file').click());
  $('open-file').addEventListener('change', async (e) => {
    const file = e.target.files[0];
    if (!file) return;
    await openText(file.name, await file.text());
    e.target.value = '';
  });
  $('save-toml').addEventListener('click', () => download('toml'));
  $('download').addEventListener('change', async (e) => {
    const kind = e.target.value;
    if (!kind) return;
    e.target.value = '';
    await download(kind);
  });
  for (const action of ['add', 'copy', 'up', 'down', 'remove']) {
    $(`stage-${action}`).addEventListener('click', () => stageAction(action));
  }
  for (const tab of document.querySelectorAll('.view-bar [role=tab]')) {
    tab.addEventListener('click', () => {
      state.view = tab.dataset.view;
      if (state.view === 'toml') schedule('change');
      renderResults();
    });
  }
  const observer = new MutationObserver(() => fillDownloads());
  observer.observe(document.body, { attributes: true, attributeFilter: ['data-analysed'] });
  fillDownloads();
  if (begin.file) {
    await openText(begin.file.name, begin.file.text);
  } else {
    const answer = await get('/api/examples/cantilever_sand');
    setModel(answer.model, 'cantilever_sand.toml');
  }
}

start().catch((e) => status('error', `The page could not start: ${e.message}`));
