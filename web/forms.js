// The forms of a model, built from the schema (GET /api/schema): every key
// with its unit and help, arrays of plain tables as editable grids, the others
// as cards. The model is edited in place; `onEdit` hears of each change.

import { h, clear } from './dom.js';

// Where a stage's keys go on the page, by the record that reads them; the
// arrays of tables each get a section. Whatever the schema has beyond these
// lands under "More", so that no key is ever out of reach.
const STAGE_SECTIONS = [
  { title: 'Stage', records: ['T', 'C1'], extra: ['units'] },
  { title: 'Excavation and water', ground: ['E1', 'E5'] },
  { title: 'Soil layers', arrays: ['soil_layer'] },
  { title: 'Wall sections', arrays: ['wall_section'] },
  { title: 'Cross sections', arrays: ['cross_section'] },
  { title: 'Tie-backs', arrays: ['tie_back'] },
  { title: 'Surcharges', ground: ['E2'], arrays: ['surcharge'] },
  { title: 'Analysis settings', records: ['C2'] },
];
// The model's own tables beside the stages, each a section above them; a
// table the schema adds and this does not name is titled by its key.
const MODEL_SECTIONS = { design: 'Design checks', reliability: 'Reliability' };
// Columns beyond which a table's elements are cards rather than grid rows.
const MAX_GRID_COLUMNS = 10;

export function unitSystem(model, stage) {
  const u = (stage && stage.units) || model.units;
  return u === 'si' || u === 2 ? 'si' : 'english';
}

// A field's current value as the input shows it.
function shown(value) {
  if (value === undefined || value === null) return '';
  if (Array.isArray(value)) return value.map(shown).join(', ');
  return String(value);
}

const NUMBER = /^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/;

// What an input's text means for a field: a number where it reads as one, a
// [top, bottom] pair where the field takes one, a list where the field holds
// names, else the text as typed, for the reader to accept (a value with its
// unit) or to reject with the key.
export function parseInput(field, text) {
  const t = text.trim();
  if (t === '') return undefined;
  if (field.type === 'names') return t.split(',').map((p) => p.trim()).filter((p) => p !== '');
  if (field.type === 'real' || field.type === 'integer') {
    if (NUMBER.test(t)) return Number(t);
    if (field.pair && t.includes(',')) {
      const parts = t.split(',').map((p) => p.trim());
      if (parts.length === 2 && parts.every((p) => NUMBER.test(p))) return parts.map(Number);
    }
    return t;
  }
  return t;
}

function defaultText(field) {
  const d = field.default;
  if (!d) return 'required';
  if ('same_as' in d) return d.same_as === field.key ? "the file's" : `as ${d.same_as}`;
  if (d.none) return 'optional';
  if (d.from_method) return "the method's";
  if (d.from_model) return "the model's";
  if (d.value === '') return '';
  return `default ${d.value}`;
}

function unitText(field, units) {
  // A station number is its own unit: "from station", not "from station station".
  return field.unit && field.unit[units] !== 'station' ? field.unit[units] : '';
}

export function helpText(field, units) {
  const parts = [`${field.key}: ${field.help}`];
  const unit = unitText(field, units);
  if (unit) parts.push(`Unit: ${unit}.`);
  const d = defaultText(field);
  if (d) parts.push(d === 'required' ? 'Required.' : `${d[0].toUpperCase()}${d.slice(1)}.`);
  if (field.values) parts.push(`One of ${field.values.map((v) => v.name).join(', ')}.`);
  if (field.pair) parts.push('One value, or "top, bottom" for a value that varies linearly.');
  if (field.type === 'names') parts.push('Names parted by commas.');
  if (field.implied) parts.push('Implied by the other values when left empty.');
  return parts.join(' ');
}

export function keysId(keys) {
  return JSON.stringify(keys);
}

// Whether a field is read for this element (a section's shape, a layer's type).
function applies(field, element) {
  if (!field.applies) return true;
  const code = element ? element[field.applies.key] : undefined;
  return code === undefined || field.applies.values.includes(code);
}

export class Forms {
  constructor(schema, onEdit, onHelp) {
    this.schema = schema;
    this.onEdit = onEdit;
    this.onHelp = onHelp;
    this.fieldOf = new WeakMap();
  }

  table(path) {
    return this.schema.tables[path] || { fields: [] };
  }

  // The file's own keys: units, stage memory, and a section for each table
  // the schema has at the top level (the design checks, the reliability study).
  renderFile(container, model, openSections) {
    clear(container);
    const fields = this.table('').fields.filter((f) => f.type !== 'tables' || f.key !== 'stage');
    const units = unitSystem(model);
    const grid = h('div', { class: 'fields inline' });
    for (const f of fields) {
      if (f.type === 'table' || f.type === 'tables') continue;
      grid.append(this.fieldRow(f, [f.key], model[f.key], units, model));
    }
    container.append(grid);
    for (const f of fields) {
      if (f.type === 'table') container.append(this.modelTable(f, model, units, openSections));
    }
  }

  // A table of the whole model: its keys, then its sub-tables, rows and
  // arrays of tables, all as the schema lists them. The table is added to the
  // model with its first value and goes with its last.
  modelTable(field, model, units, openSections) {
    const sub = model[field.key] || {};
    const owner = this.proxy(model, field.key, sub);
    const keys = [field.key];
    const fields = this.table(field.table).fields;
    const body = h('div', { class: 'section-body' }, h('div', { class: 'note', text: field.help }));
    const grid = h('div', { class: 'fields' });
    for (const f of fields) {
      if (f.type === 'table' || f.type === 'tables' || f.type === 'rows') continue;
      grid.append(this.fieldRow(f, [...keys, f.key], sub[f.key], units, owner));
    }
    body.append(grid);
    for (const f of fields) {
      if (f.type === 'table') body.append(this.subTable(f, [...keys, f.key], owner, units, sub));
      else if (f.type === 'rows') body.append(this.rowsField(f, [...keys, f.key], owner, units));
      else if (f.type === 'tables') body.append(this.tableArray(f, [...keys, f.key], owner, units));
    }
    const title = MODEL_SECTIONS[field.key] || field.key.replace(/_/g, ' ');
    return this.section(title, body, openSections, model[field.key] ? '' : '(not in the model)');
  }

  renderStage(container, model, index, openSections) {
    clear(container);
    const stage = model.stage[index];
    const units = unitSystem(model, stage);
    const stageFields = this.table('stage').fields;
    const groundFields = this.table('stage.ground').fields;
    const placed = new Set(['ground']);
    const base = ['stage', index];
    for (const section of STAGE_SECTIONS) {
      const body = h('div', { class: 'section-body' });
      const plain = stageFields.filter((f) => (section.records || []).includes(f.record) ||
        (section.extra || []).includes(f.key));
      if (plain.length) {
        const grid = h('div', { class: 'fields' });
        for (const f of plain) {
          placed.add(f.key);
          grid.append(this.fieldRow(f, [...base, f.key], stage[f.key], units, stage));
        }
        body.append(grid);
      }
      const ground = groundFields.filter((f) => (section.ground || []).includes(f.record));
      if (ground.length) {
        const grid = h('div', { class: 'fields' });
        const g = this.proxy(stage, 'ground', stage.ground || {});
        for (const f of ground) grid.append(this.fieldRow(f, [...base, 'ground', f.key], g[f.key], units, g));
        body.append(grid);
      }
      for (const key of section.arrays || []) {
        const f = stageFields.find((x) => x.key === key);
        if (!f) continue;
        placed.add(key);
        body.append(this.tableArray(f, [...base, key], stage, units));
      }
      container.append(this.section(section.title, body, openSections));
    }
    // Everything else the schema has for a stage.
    const more = h('div', { class: 'section-body' });
    const rest = stageFields.filter((f) => !placed.has(f.key));
    const plainRest = rest.filter((f) => f.type !== 'tables' && f.type !== 'table' && f.type !== 'rows');
    if (plainRest.length) {
      const grid = h('div', { class: 'fields' });
      for (const f of plainRest) grid.append(this.fieldRow(f, [...base, f.key], stage[f.key], units, stage));
      more.append(grid);
    }
    for (const f of rest) {
      if (f.type === 'tables') more.append(this.tableArray(f, [...base, f.key], stage, units));
      else if (f.type === 'rows') more.append(this.rowsField(f, [...base, f.key], stage, units));
      else if (f.type === 'table') more.append(this.subTable(f, [...base, f.key], stage, units, stage));
    }
    container.append(this.section('Specified pressure, loads, restraints, user curves and more', more, openSections));
  }

  section(title, body, openSections, note) {
    const details = h('details', { class: 'section', dataset: { section: title } });
    details.open = openSections.has(title);
    details.addEventListener('toggle', () => {
      if (details.open) openSections.add(title);
      else openSections.delete(title);
    });
    details.append(h('summary', {}, title, note ? h('span', { class: 'section-note', text: ` ${note}` }) : null), body);
    return details;
  }

  // One labelled input.
  fieldRow(field, keys, value, units, owner) {
    const id = `f${keys.join('-')}`.replace(/[^A-Za-z0-9_-]/g, '_');
    const input = this.input(field, keys, value, owner);
    input.id = id;
    const unit = unitText(field, units);
    const label = h('label', { for: id, text: field.key.replace(/_/g, ' ') });
    if (!field.default && !field.implied) label.append(h('span', { class: 'required', text: ' *', title: 'required' }));
    return h('div', { class: 'field', dataset: { keys: keysId(keys) } },
      label, input, h('span', { class: 'unit', text: unit }),
      h('span', { class: 'field-error', role: 'alert' }));
  }

  input(field, keys, value, owner) {
    let el;
    if (field.type === 'code') {
      el = h('select');
      el.append(h('option', { value: '', text: field.default ? `(${defaultText(field).replace('default ', '')})` : '' }));
      for (const v of field.values) el.append(h('option', { value: v.name, text: v.name.replace(/_/g, ' ') }));
      // A code given as its number shows as its name.
      const named = typeof value === 'number' ? (field.values.find((v) => v.number === value) || {}).name : value;
      el.value = named === undefined ? '' : named;
      if (value !== undefined && el.value !== named) {
        el.append(h('option', { value: String(value), text: String(value) }));
        el.value = String(value);
      }
    } else if (field.type === 'flag') {
      el = h('input', { type: 'checkbox' });
      el.checked = value === undefined ? Boolean(field.default && field.default.value) : Boolean(value);
    } else {
      el = h('input', { type: 'text', spellcheck: 'false', autocomplete: 'off' });
      el.value = shown(value);
      if (field.type !== 'text' && field.type !== 'names') el.inputMode = 'decimal';
      const d = defaultText(field);
      if (d && d !== 'required') el.placeholder = d;
    }
    el.dataset.keys = keysId(keys);
    el.setAttribute('aria-label', field.key.replace(/_/g, ' '));
    el.title = field.help;
    this.fieldOf.set(el, { field, keys, owner });
    if (el.tagName === 'INPUT' && el.type === 'text') el.addEventListener('input', () => this.edited(el, 'input'));
    el.addEventListener('change', () => this.edited(el, 'change'));
    el.addEventListener('focus', () => this.onHelp(field));
    return el;
  }

  edited(el, how) {
    const { field, keys, owner } = this.fieldOf.get(el);
    let value;
    if (field.type === 'flag') {
      value = el.checked;
      if (field.default && field.default.value === value) value = undefined;
    } else if (field.type === 'code') {
      value = el.value === '' ? undefined : el.value;
    } else {
      value = parseInput(field, el.value);
    }
    const key = keys[keys.length - 1];
    if (value === undefined) delete owner[key];
    else owner[key] = value;
    // A shape or a soil type decides which keys the element has.
    const structural = field.type === 'code' && how === 'change';
    this.onEdit({ how, structural, keys });
  }

  subTable(field, keys, owner, units, element) {
    const path = field.table;
    const sub = owner[field.key] || {};
    const box = h('fieldset', { class: 'subtable' }, h('legend', { text: field.key.replace(/_/g, ' ') }));
    const grid = h('div', { class: 'fields' });
    let shownAny = false;
    for (const f of this.table(path).fields) {
      if (f.type === 'tables' || f.type === 'table') continue;
      if (!applies(f, element)) continue;
      shownAny = true;
      if (f.type === 'rows') {
        box.append(this.rowsField(f, [...keys, f.key], sub, units, () => this.attach(owner, field.key, sub)));
        continue;
      }
      grid.append(this.fieldRow(f, [...keys, f.key], sub[f.key], units, this.proxy(owner, field.key, sub)));
    }
    box.insertBefore(grid, box.children[1] || null);
    return shownAny ? box : h('span');
  }

  // A sub-table that does not exist yet is added to its owner on its first value.
  proxy(owner, key, sub) {
    return new Proxy(sub, {
      set: (target, k, v) => {
        target[k] = v;
        owner[key] = target;
        return true;
      },
      deleteProperty: (target, k) => {
        delete target[k];
        if (Object.keys(target).length === 0) delete owner[key];
        return true;
      },
    });
  }

  attach(owner, key, sub) {
    if (Object.keys(sub).length) owner[key] = sub;
    else delete owner[key];
  }

  // Rows of numbers (a p-y curve's points, a pressure diagram): one row a
  // line, values parted by spaces or commas.
  rowsField(field, keys, owner, units, after) {
    const id = `f${keys.join('-')}`.replace(/[^A-Za-z0-9_-]/g, '_');
    const columns = field.columns.map((c) => `${c.key}${c.unit ? ` (${c.unit[units]})` : ''}`).join(', ');
    const area = h('textarea', { id, rows: 4, spellcheck: 'false', class: 'rows' });
    const rows = owner[field.key];
    area.value = Array.isArray(rows) ? rows.map((r) => (Array.isArray(r) ? r.join('  ') : String(r))).join('\n') : '';
    area.dataset.keys = keysId(keys);
    area.title = `${field.help}: ${columns}, one row a line`;
    const parse = () => {
      const lines = area.value.split('\n').map((l) => l.trim()).filter((l) => l !== '');
      const value = lines.map((l) => l.split(/[\s,;]+/).map((t) => (NUMBER.test(t) ? Number(t) : t)));
      if (value.length) owner[field.key] = value;
      else delete owner[field.key];
      if (after) after();
    };
    area.addEventListener('input', () => { parse(); this.onEdit({ how: 'input', keys }); });
    area.addEventListener('change', () => { parse(); this.onEdit({ how: 'change', keys }); });
    area.addEventListener('focus', () => this.onHelp({ ...field, key: field.key, help: `${field.help}; columns: ${columns}` }));
    return h('div', { class: 'field rows-field', dataset: { keys: keysId(keys) } },
      h('label', { for: id, text: `${field.key.replace(/_/g, ' ')}: ${columns}` }), area,
      h('span', { class: 'field-error', role: 'alert' }));
  }

  // An array of tables: a grid when its elements are a few plain values,
  // else one card per element.
  tableArray(field, keys, owner, units) {
    const path = field.table;
    const fields = this.table(path).fields;
    const items = Array.isArray(owner[field.key]) ? owner[field.key] : [];
    const plain = fields.filter((f) => f.type !== 'tables' && f.type !== 'table' && f.type !== 'rows');
    const columns = plain.filter((f) => !f.instead_of);
    const gridable = columns.length <= MAX_GRID_COLUMNS && plain.length === fields.length;
    const box = h('div', { class: 'array', dataset: { keys: keysId(keys) } });
    const add = () => {
      owner[field.key] = items;
      items.push(this.newElement(fields, items[items.length - 1]));
      this.onEdit({ how: 'change', structural: true, keys });
    };
    const actions = (i) => h('span', { class: 'row-actions' },
      h('button', { type: 'button', title: 'Move up', 'aria-label': `move ${field.key} ${i + 1} up`, disabled: i === 0,
        onclick: () => { [items[i - 1], items[i]] = [items[i], items[i - 1]]; this.onEdit({ how: 'change', structural: true, keys }); } }, '↑'),
      h('button', { type: 'button', title: 'Move down', 'aria-label': `move ${field.key} ${i + 1} down`, disabled: i === items.length - 1,
        onclick: () => { [items[i + 1], items[i]] = [items[i], items[i + 1]]; this.onEdit({ how: 'change', structural: true, keys }); } }, '↓'),
      h('button', { type: 'button', title: 'Remove', 'aria-label': `remove ${field.key} ${i + 1}`,
        onclick: () => {
          items.splice(i, 1);
          if (!items.length) delete owner[field.key];
          this.onEdit({ how: 'change', structural: true, keys });
        } }, '✕'));
    if (gridable) {
      const head = h('tr', {}, h('th', { text: '#' }),
        columns.map((f) => {
          const alt = plain.find((a) => a.instead_of === f.key);
          const unit = unitText(f, units);
          // The alternative key (a rock's compressive strength) shares the
          // column; its name is in the header's help and the cell's label.
          return h('th', { title: helpText(f, units) + (alt ? ` For ${alt.applies.values.join(', ')}: ${alt.key}, ${alt.help}` : '') },
            f.key.replace(/_/g, ' ') + (alt ? '¹' : ''),
            unit ? h('span', { class: 'unit', text: ` ${unit}` }) : null,
            f.default || f.implied ? null : h('span', { class: 'required', text: ' *' }));
        }), h('th', { text: '' }));
      const body = items.map((item, i) => h('tr', {},
        h('td', { class: 'index', text: String(i + 1) }),
        columns.map((f) => {
          // The key a cell holds for this element: the alternative (a rock's
          // compressive strength) where it applies.
          const alt = plain.find((a) => a.instead_of === f.key && applies(a, item) && a.applies);
          const use = alt || f;
          const cellKeys = [...keys, i, use.key];
          const input = this.input(use, cellKeys, item[use.key], item);
          input.setAttribute('aria-label', `${field.key} ${i + 1} ${use.key.replace(/_/g, ' ')}`);
          if (alt) input.classList.add('alternative');
          if (use.type === 'text' || use.type === 'names') input.classList.add('text');
          return h('td', { dataset: { keys: keysId(cellKeys) } }, input);
        }),
        h('td', {}, actions(i))));
      if (items.length) box.append(h('table', { class: 'grid' }, h('thead', {}, head), h('tbody', {}, body)));
      const alts = plain.filter((a) => a.instead_of && a.applies);
      if (items.length && alts.length) {
        box.append(h('div', { class: 'note', text: `¹ ${alts.map((a) => `${a.applies.values.join(' and ').replace(/_/g, ' ')}: ${a.key.replace(/_/g, ' ')} (${unitText(a, units) || 'no unit'})`).join('; ')}` }));
      }
    } else {
      items.forEach((item, i) => {
        const card = h('fieldset', { class: 'card', dataset: { keys: keysId([...keys, i]) } },
          h('legend', {}, `${field.key.replace(/_/g, ' ')} ${i + 1} `, actions(i)));
        const grid = h('div', { class: 'fields' });
        const groups = new Map();
        for (const f of fields) {
          if (!applies(f, item)) continue;
          if (f.instead_of && !f.applies) continue;
          const main = plain.find((a) => a.instead_of === f.key && a.applies && applies(a, item));
          if (main) continue;
          const cellKeys = [...keys, i, f.key];
          if (f.type === 'tables') {
            card.append(this.tableArray(f, cellKeys.slice(0, -1).concat(f.key), item, units));
          } else if (f.type === 'table') {
            card.append(this.subTable(f, cellKeys, item, units, item));
          } else if (f.type === 'rows') {
            card.append(this.rowsField(f, cellKeys, item, units));
          } else {
            // Keys read only under a condition the page cannot judge (a
            // tapered section's bottom values) sit apart, named by it.
            const when = f.when && f.when.length === 1 && !f.applies ? f.when[0] : '';
            if (!groups.has(when)) groups.set(when, []);
            groups.get(when).push(this.fieldRow(f, cellKeys, item[f.key], units, item));
          }
        }
        for (const [when, rows] of groups) {
          if (when === '') grid.append(...rows);
          else grid.append(h('div', { class: 'when', text: when }), ...rows);
        }
        card.insertBefore(grid, card.children[1] || null);
        box.append(card);
      });
    }
    box.append(h('button', { type: 'button', class: 'add', onclick: add,
      title: `Add ${field.help}` }, `Add ${field.key.replace(/_/g, ' ')}`));
    return h('div', { class: 'array-block' },
      h('div', { class: 'array-title', text: `${field.key.replace(/_/g, ' ')}: ${field.help}` }), box);
  }

  // A new element: a copy of the one before it where there is one (a new
  // soil layer starts as the layer above), else the required keys' defaults.
  newElement(fields, previous) {
    if (previous) return JSON.parse(JSON.stringify(previous));
    const element = {};
    for (const f of fields) {
      if (f.type === 'code' && !f.default) element[f.key] = f.values[0].name;
      else if (!f.default && (f.type === 'real' || f.type === 'integer') && !f.instead_of && !f.implied && !f.applies) element[f.key] = 0;
    }
    return element;
  }
}
