// Every message between the page and its workers. A request is
// {id, type, ...}; its reply repeats the id, and a failure comes back as a
// reply of type "error". Workers never touch the page: they return numbers.
'use strict';
const VelmoraMessages = Object.freeze({
  // {id, type, factors: "name=value" lines, seed, first, count}: plays runs
  // first .. first + count - 1 (1-based) of a batch from seed.
  runs: 'runs',
  // {id, type, first, records: Float64Array}: each run's record, in run order.
  records: 'records',
  // {id, type, message}
  error: 'error',
});
if (typeof module !== 'undefined') module.exports = { VelmoraMessages };
